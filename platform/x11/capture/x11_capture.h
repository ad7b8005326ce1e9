// The capture service on X11: Composite, Render and Damage.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/xcb.h>

#include <memory>
#include <optional>

#include "platform/capture_service.h"
#include "platform/x11/capture/composite_stream.h"
#include "platform/x11/capture/render_formats.h"
#include "platform/x11/desktop/window_cache.h"
#include "platform/x11/desktop/x11_accessibility.h"
#include "platform/x11/wire/connection.h"
#include "platform/x11/wire/event_loop.h"

namespace corvane::x11 {

/// Window capture with Composite, Render and Damage. Without them (the X11
/// counterpart of a missing screen-recording permission) no content is listed
/// and no stream starts. Completions run later, from the main queue.
class X11Capture final : public platform::CaptureService {
public:
    X11Capture(const Connection& connection, EventLoop& loop, X11Accessibility& accessibility,
               WindowCache& cache);

    /// The managed top-level windows with their pids and outer frames, in the
    /// coordinates X11Accessibility reports.
    void getShareableContent(
        bool excludeDesktopWindows, bool onScreenWindowsOnly,
        std::function<void(std::optional<platform::ShareableContent>)> completion) override;
    [[nodiscard]] std::unique_ptr<platform::CaptureStream> createStream(
        const platform::ShareableWindow& window, const platform::StreamConfiguration& configuration,
        std::weak_ptr<platform::StreamDelegate> delegate) override;

private:
    /// Asks the server once which extensions it has.
    const CaptureExtensions& extensions();
    [[nodiscard]] std::optional<platform::ShareableContent> shareableContent(bool onScreenWindowsOnly);

    const Connection& connection_;
    EventLoop& loop_;
    X11Accessibility& accessibility_;
    WindowCache& cache_;
    std::optional<RenderFormats> formats_;
    std::optional<CaptureExtensions> extensions_;
    std::shared_ptr<bool> lifetime_ = std::make_shared<bool>(true);
};

}  // namespace corvane::x11
