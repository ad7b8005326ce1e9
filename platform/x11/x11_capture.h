#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <memory>

#include "platform/capture_service.h"
#include "platform/main_queue.h"
#include "platform/x11/connection.h"

namespace corvane::x11 {

/// Window capture. For now every request is refused, as on a system where
/// the permission is missing: no content is listed and no stream starts.
/// Completions run later, from the main queue.
class X11Capture final : public platform::CaptureService {
public:
    X11Capture(const Connection& connection, platform::MainQueue& queue);

    void getShareableContent(
        bool excludeDesktopWindows, bool onScreenWindowsOnly,
        std::function<void(std::optional<platform::ShareableContent>)> completion) override;
    [[nodiscard]] std::unique_ptr<platform::CaptureStream> createStream(
        const platform::ShareableWindow& window, const platform::StreamConfiguration& configuration,
        std::weak_ptr<platform::StreamDelegate> delegate) override;

private:
    [[maybe_unused]] const Connection& connection_;  // for the real implementation
    platform::MainQueue& queue_;
};

}  // namespace corvane::x11
