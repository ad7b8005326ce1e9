// A capture of one window: Composite pixmap, Damage reports, frames on a clock.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/xcb.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/capture_service.h"
#include "platform/x11/capture/render_formats.h"
#include "platform/x11/capture/window_picture.h"
#include "platform/x11/wire/connection.h"
#include "platform/x11/wire/event_loop.h"
#include "platform/x11/wire/owned_xid.h"

namespace corvane::x11 {

/// What a capture needs of the server: Composite 0.2 (named window pixmaps),
/// Render with transforms and Damage. Without any of them nothing is captured.
struct CaptureExtensions {
    bool available = false;
    std::uint8_t damageNotify = 0;  ///< the response type of DamageNotify
    std::uint8_t badDamage = 0;     ///< the error code of BadDamage
    const RenderFormats* formats = nullptr;
};

/// A capture of one window with Composite: the window is redirected, its
/// off-screen pixmap named and wrapped in a Render picture that the delegate
/// gets as the frame's surface, again on each Damage report (at most once per
/// minimum frame interval). A window that keeps changing faster than that gets
/// its frames from a clock, and the server is asked to report again only
/// every few frames: one wake-up per frame instead of two. Pixels stay in the
/// server. A window that goes away ends the stream quietly with a stop report.
/// Everything is freed with it.
/// The window's structure events must be selected already (WindowCache::watch).
class CompositeStream final : public platform::CaptureStream {
public:
    CompositeStream(const Connection& connection, EventLoop& loop, CaptureExtensions extensions,
                    xcb_window_t window, const platform::StreamConfiguration& configuration,
                    std::weak_ptr<platform::StreamDelegate> delegate);
    ~CompositeStream() override;
    CompositeStream(const CompositeStream&) = delete;
    CompositeStream& operator=(const CompositeStream&) = delete;
    CompositeStream(CompositeStream&&) = delete;
    CompositeStream& operator=(CompositeStream&&) = delete;

    bool addStreamOutput(platform::StreamOutputType type) override;
    void startCapture(std::function<void(bool ok)> completion) override;
    void stopCapture(std::function<void()> completion) override;

private:
    enum class Start { started, windowGone, refused };
    [[nodiscard]] Start start();
    [[nodiscard]] bool viewable() const;
    void subscribe();
    [[nodiscard]] bool redirect();
    /// Names the window's current pixmap; false (keeping the previous picture) when that fails.
    [[nodiscard]] bool namePixmap();
    void handleEvent(const xcb_generic_event_t& event);
    [[nodiscard]] bool handleError(const xcb_generic_error_t& error);
    [[nodiscard]] bool ours(std::uint32_t resource) const;
    void configured(const xcb_configure_notify_event_t& event);
    /// The window changed (or a frame is wanted anyway): a frame now, or by the clock.
    void damaged();
    void frameDue();
    void rearm();
    void deliverFrame();
    /// The window was destroyed or unmapped: free everything and tell the delegate.
    void windowGone(bool destroyed);
    void teardown(bool windowExists);
    void post(std::function<void()> task);

    const Connection& connection_;
    EventLoop& loop_;
    CaptureExtensions extensions_;
    xcb_window_t window_;
    double frameInterval_;
    std::weak_ptr<platform::StreamDelegate> delegate_;
    bool hasOutput_ = false;
    bool running_ = false;
    bool redirected_ = false;
    xcb_visualid_t visual_ = 0;
    std::shared_ptr<const WindowPicture> picture_;
    OwnedDamage damage_;
    /// Frames that follow a steadily changing window between two reports.
    static constexpr int kUncheckedFrames = 7;

    std::optional<double> lastFrame_;
    std::unique_ptr<platform::Timer> clock_;
    bool clockSteady_ = false;  ///< the clock ticks at the frame interval (its first tick may come sooner)
    bool changed_ = false;      ///< reported since the last re-arm
    int checkedChanges_ = 0;    ///< clock ticks in a row that found a reported change
    int uncheckedFrames_ = 0;
    std::vector<Subscription> subscriptions_;
    std::shared_ptr<bool> lifetime_ = std::make_shared<bool>(true);
};

}  // namespace corvane::x11
