#include "platform/x11/x11_capture.h"

#include <utility>

namespace corvane::x11 {

namespace {

class RefusedStream final : public platform::CaptureStream {
public:
    explicit RefusedStream(platform::MainQueue& queue) : queue_(queue) {}

    bool addStreamOutput(platform::StreamOutputType /*type*/) override { return false; }
    void startCapture(std::function<void(bool ok)> completion) override {
        queue_.post([completion = std::move(completion)] { completion(false); });
    }
    void stopCapture(std::function<void()> completion) override { queue_.post(std::move(completion)); }

private:
    platform::MainQueue& queue_;
};

}  // namespace

X11Capture::X11Capture(const Connection& connection, platform::MainQueue& queue)
    : connection_(connection), queue_(queue) {}

void X11Capture::getShareableContent(
    bool /*excludeDesktopWindows*/, bool /*onScreenWindowsOnly*/,
    std::function<void(std::optional<platform::ShareableContent>)> completion) {
    queue_.post([completion = std::move(completion)] { completion(std::nullopt); });
}

std::unique_ptr<platform::CaptureStream> X11Capture::createStream(
    const platform::ShareableWindow& /*window*/, const platform::StreamConfiguration& /*configuration*/,
    std::weak_ptr<platform::StreamDelegate> /*delegate*/) {
    return std::make_unique<RefusedStream>(queue_);
}

}  // namespace corvane::x11
