// Our window: the coloured band around the game being played.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/xcb.h>

#include <memory>
#include <optional>
#include <vector>

#include "platform/window_service.h"
#include "platform/x11/desktop/program_stacking.h"
#include "platform/x11/desktop/step_writes.h"
#include "platform/x11/desktop/window_cache.h"
#include "platform/x11/desktop/x11_screens.h"
#include "platform/x11/own_windows/band_canvas.h"
#include "platform/x11/wire/connection.h"
#include "platform/x11/wire/event_loop.h"
#include "platform/x11/wire/owned_xid.h"
#include "platform/x11/wire/root_coordinates.h"

namespace corvane::x11 {

/// The border around the window being played: an override-redirect window cut
/// with SHAPE to the band its draw function strokes, with an empty input
/// shape so every click goes to the game underneath. Kept above other
/// windows: raised when shown and whenever something comes to cover it.
/// Without the SHAPE extension it never shows (it would hide the game). On
/// XWayland, whose compositor may give a window every click within its
/// rectangle whatever its input shape, the band is four strip windows
/// instead, so the game inside it keeps its clicks.
/// Moves, showing and painting go to the server as StepWrites orders the
/// program's own windows: after the step, and after the keyboard reached the
/// game an activation of the step asked for.
class X11BorderWindow final : public platform::BorderWindow {
public:
    X11BorderWindow(const Connection& connection, EventLoop& loop, X11Screens& screens, StepWrites& writes,
                    ProgramStacking& stacking, platform::WindowService::DrawFunction draw);
    ~X11BorderWindow() override = default;
    X11BorderWindow(const X11BorderWindow&) = delete;
    X11BorderWindow& operator=(const X11BorderWindow&) = delete;
    X11BorderWindow(X11BorderWindow&&) = delete;
    X11BorderWindow& operator=(X11BorderWindow&&) = delete;

    [[nodiscard]] platform::Rect frame() const override { return frame_; }
    void setFrame(platform::Rect frame, bool display) override;
    [[nodiscard]] bool isVisible() const override { return visible_; }
    void orderFrontRegardless() override;
    void orderOut() override;
    void setNeedsDisplay() override;

    /// The X window, for looking at it from outside.
    [[nodiscard]] xcb_window_t id() const { return window_.get(); }

private:
    struct Visual {
        xcb_visualid_t id = 0;
        std::uint8_t depth = 0;
        bool argb = false;
    };
    [[nodiscard]] Visual chooseVisual() const;
    void createWindow();
    [[nodiscard]] OwnedWindow makeBandWindow(xcb_colormap_t colormap) const;
    /// The windows that show the band: the shaped one, or the strips.
    [[nodiscard]] std::vector<xcb_window_t> shownWindows() const;
    [[nodiscard]] bool ours(xcb_window_t window) const;
    void paintStrips(const std::vector<Band>& bands);
    void handleEvent(const xcb_generic_event_t& event);
    /// Brings the server's window up to date: frame, mapping, shape and paint.
    void update();
    void paint();
    void applyShape(const std::vector<xcb_rectangle_t>& rectangles);
    void fill(const Band& band);
    /// Whether `bands` are what the window shows already.
    [[nodiscard]] bool painted(const std::vector<Band>& bands) const;
    [[nodiscard]] std::uint32_t pixelFor(platform::Color color);
    void raise();
    void raiseLater();
    void watchNewWindows();

    const Connection& connection_;
    EventLoop& loop_;
    X11Screens& screens_;
    StepWrites& writes_;
    ProgramStacking& stacking_;
    platform::WindowService::DrawFunction draw_;
    bool hasShape_ = false;
    Visual visual_;
    OwnedColormap colormap_;
    OwnedWindow window_;
    bool strips_ = false;
    std::vector<OwnedWindow> stripWindows_;
    std::optional<RootRect> paintedAt_;
    OwnedGc gc_;
    platform::Rect frame_;
    std::optional<RootRect> wanted_;
    std::optional<RootRect> sent_;
    std::optional<std::vector<xcb_rectangle_t>> shape_;
    std::optional<std::pair<platform::Color, std::uint32_t>> lastPixel_;
    /// The bands last filled; cleared when the server lost the window's contents (Expose).
    std::optional<std::vector<Band>> painted_;
    bool visible_ = false;  ///< as the program wants it
    bool mapped_ = false;   ///< as sent to the server
    bool raiseWanted_ = false;
    /// Posted tasks hold it weakly: a window destroyed first leaves them without effect.
    std::shared_ptr<bool> lifetime_ = std::make_shared<bool>(true);
    Subscription expose_;
    Subscription visibility_;
    Subscription siblingMapped_;
};

}  // namespace corvane::x11
