
#include "platform/sim/sim_services.h"

namespace corvane::sim {

namespace {

class SimSurface final : public platform::Surface {
public:
    explicit SimSurface(platform::Size size) : size_(size) {}
    [[nodiscard]] platform::Size pixelSize() const override { return size_; }

private:
    platform::Size size_;
};

class StreamRecord final : public SimDesktop::StreamState {
public:
    StreamRecord(platform::CaptureWindowID windowID, platform::StreamConfiguration configuration,
                 std::weak_ptr<platform::StreamDelegate> delegate)
        : windowID_(windowID), configuration_(configuration), delegate_(std::move(delegate)) {}

    [[nodiscard]] platform::CaptureWindowID windowID() const override { return windowID_; }
    [[nodiscard]] const platform::StreamConfiguration& configuration() const override {
        return configuration_;
    }
    [[nodiscard]] bool started() const override { return started_; }
    [[nodiscard]] bool stopped() const override { return stopped_; }
    [[nodiscard]] bool destroyed() const override { return destroyed_; }

    void deliverFrame(double pixelWidth, double pixelHeight) override {
        platform::SampleBuffer buffer;
        buffer.surface = std::make_shared<SimSurface>(platform::Size{pixelWidth, pixelHeight});
        buffer.pixelWidth = pixelWidth;
        buffer.pixelHeight = pixelHeight;
        deliver(buffer, platform::StreamOutputType::screen);
    }
    void deliver(const platform::SampleBuffer& buffer, platform::StreamOutputType type) override {
        if (stopped_ || destroyed_ || !outputAdded_) return;
        if (auto delegate = delegate_.lock()) delegate->streamDidOutput(buffer, type);
    }
    void stopByItself() override {
        if (stopped_ || destroyed_) return;
        stopped_ = true;
        if (auto delegate = delegate_.lock()) delegate->streamDidStop();
    }

    bool outputAdded_ = false;
    bool started_ = false;
    bool stopped_ = false;
    bool destroyed_ = false;

private:
    platform::CaptureWindowID windowID_;
    platform::StreamConfiguration configuration_;
    std::weak_ptr<platform::StreamDelegate> delegate_;
};

class SimStream final : public platform::CaptureStream {
public:
    SimStream(SimCapture& capture, CallLog& calls, std::shared_ptr<StreamRecord> record)
        : capture_(capture), calls_(calls), record_(std::move(record)) {}
    ~SimStream() override {
        record_->destroyed_ = true;
        calls_.record(format("stream w{} destroyed", record_->windowID()));
    }
    SimStream(const SimStream&) = delete;
    SimStream& operator=(const SimStream&) = delete;
    SimStream(SimStream&&) = delete;
    SimStream& operator=(SimStream&&) = delete;

    bool addStreamOutput(platform::StreamOutputType type) override {
        calls_.record(format("addStreamOutput w{}", record_->windowID()));
        if (capture_.outputRefused || type != platform::StreamOutputType::screen) return false;
        record_->outputAdded_ = true;
        return true;
    }
    void startCapture(std::function<void(bool ok)> completion) override {
        calls_.record(format("startCapture w{}", record_->windowID()));
        const bool ok = !capture_.startRefused;
        std::weak_ptr<StreamRecord> record = record_;
        capture_.complete([record, ok, completion = std::move(completion)] {
            if (auto r = record.lock(); r && ok) r->started_ = true;
            completion(ok);
        });
    }
    void stopCapture(std::function<void()> completion) override {
        calls_.record(format("stopCapture w{}", record_->windowID()));
        record_->stopped_ = true;
        capture_.complete(std::move(completion));
    }

private:
    SimCapture& capture_;
    CallLog& calls_;
    std::shared_ptr<StreamRecord> record_;
};

}  // namespace

void SimCapture::complete(std::function<void()> completion) {
    if (holdCompletions) {
        held.push_back(std::move(completion));
    } else {
        queue_.post(std::move(completion));
    }
}

void SimCapture::getShareableContent(
    bool excludeDesktopWindows, bool onScreenWindowsOnly,
    std::function<void(std::optional<platform::ShareableContent>)> completion) {
    calls_.record(format("getShareableContent {} {}", excludeDesktopWindows, onScreenWindowsOnly));
    std::optional<platform::ShareableContent> content;
    if (!captureRefused) {
        content.emplace();
        for (const auto& window : desktop_.windows_list_) {
            if (onScreenWindowsOnly && !window.onScreen) continue;
            content->windows.push_back({window.pid, window.frame,
                                        static_cast<platform::CaptureWindowID>(window.ref), window.onScreen});
        }
    }
    complete([content = std::move(content), completion = std::move(completion)] { completion(content); });
}

std::unique_ptr<platform::CaptureStream> SimCapture::createStream(
    const platform::ShareableWindow& window, const platform::StreamConfiguration& configuration,
    std::weak_ptr<platform::StreamDelegate> delegate) {
    calls_.record(
        format("createStream w{} {}x{}", window.windowID, configuration.width, configuration.height));
    auto record = std::make_shared<StreamRecord>(window.windowID, configuration, std::move(delegate));
    streams.push_back(record);
    return std::make_unique<SimStream>(*this, calls_, std::move(record));
}

}  // namespace corvane::sim
