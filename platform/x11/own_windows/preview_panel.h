// Our window: a floating preview of another game, clicked to switch to it.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/xcb.h>

#include <memory>
#include <optional>
#include <vector>

#include "platform/window_service.h"
#include "platform/x11/capture/render_formats.h"
#include "platform/x11/capture/window_picture.h"
#include "platform/x11/desktop/program_stacking.h"
#include "platform/x11/desktop/step_writes.h"
#include "platform/x11/desktop/x11_screens.h"
#include "platform/x11/own_windows/click_counter.h"
#include "platform/x11/own_windows/preview_label.h"
#include "platform/x11/wire/connection.h"
#include "platform/x11/wire/event_loop.h"
#include "platform/x11/wire/owned_xid.h"
#include "platform/x11/wire/root_coordinates.h"

namespace corvane::x11 {

/// A floating preview: an undecorated utility window the window manager keeps
/// above the others on every desktop, out of the taskbar and pager, that never
/// takes the focus. Dragging its content moves it; a press and release without
/// a drag is a click. It shows a captured window scaled to fit on black.
/// Ordering it front maps it only when it is hidden and raises it only when
/// something covers it. Its frame, mapping and raises go out as StepWrites
/// orders the program's own windows; a drag moves it at once.
///
/// Under sway it is an override-redirect window, as the border is: sway's X
/// window manager centres a floating window wherever it was asked to be and
/// takes no raise, while XWayland hands a click to the window on top of X's
/// own stacking, which a focused game is once sway has raised it there.
class PreviewPanel final : public platform::Panel {
public:
    PreviewPanel(const Connection& connection, EventLoop& loop, X11Screens& screens,
                 const RenderFormats& formats, StepWrites& writes, ProgramStacking& stacking, bool unmanaged,
                 platform::Rect frame, platform::PanelContent& content);
    ~PreviewPanel() override = default;
    PreviewPanel(const PreviewPanel&) = delete;
    PreviewPanel& operator=(const PreviewPanel&) = delete;
    PreviewPanel(PreviewPanel&&) = delete;
    PreviewPanel& operator=(PreviewPanel&&) = delete;

    /// Where the panel is, also after the user dragged it.
    [[nodiscard]] platform::Rect frame() const override;
    void setFrame(platform::Rect frame, bool display) override;
    [[nodiscard]] bool isVisible() const override { return visible_; }
    void orderFrontRegardless() override;
    void orderOut() override;
    void setContents(std::shared_ptr<const platform::Surface> surface) override;
    void setLabel(std::optional<platform::PanelLabel> label) override;

    /// The X window, for looking at it from outside.
    [[nodiscard]] xcb_window_t id() const { return window_.get(); }

private:
    struct Drag {
        int startX = 0;  ///< root point of the press
        int startY = 0;
        int lastX = 0;  ///< root point the panel was last moved for
        int lastY = 0;
        int clickCount = 1;
        bool moved = false;
    };

    void createWindow(const RootRect& rect);
    void setProperties(const RootRect& rect);
    void subscribeEvents();
    void pressed(const xcb_button_press_event_t& event);
    void released(const xcb_button_release_event_t& event);
    void motion(const xcb_motion_notify_event_t& event);
    void configured(const xcb_configure_notify_event_t& event);
    void visibilityChanged(const xcb_visibility_notify_event_t& event);
    void moveTo(std::int32_t x, std::int32_t y);
    void requestUpdate();
    /// Brings the server's window up to date: frame, mapping, stacking.
    void update();
    void setNeedsDisplay();
    void display();
    void composite(const WindowPicture& source);

    const Connection& connection_;
    EventLoop& loop_;
    X11Screens& screens_;
    const RenderFormats& formats_;
    StepWrites& writes_;
    ProgramStacking& stacking_;
    bool unmanaged_;  ///< no window manager's: it stacks and places itself
    platform::PanelContent& content_;
    OwnedWindow window_;
    OwnedPicture picture_;            ///< the panel's own, to composite into
    RootRect shown_;                  ///< what was last sent or last reported
    std::optional<RootRect> wanted_;  ///< set by the program, not sent yet
    bool visible_ = false;            ///< as the program wants it
    bool sentMapped_ = false;
    bool raiseWanted_ = false;
    /// Mapped as the server last reported, and whether another window covers part of it.
    bool mapped_ = false;
    bool covered_ = true;
    ClickCounter clicks_;
    std::optional<Drag> drag_;
    std::shared_ptr<const WindowPicture> contents_;
    std::optional<platform::PanelLabel> label_;
    PreviewLabel labelPainter_{connection_};
    bool paintWanted_ = false;
    std::shared_ptr<bool> lifetime_ = std::make_shared<bool>(true);
    std::vector<Subscription> subscriptions_;
};

}  // namespace corvane::x11
