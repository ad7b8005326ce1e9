// The window service on X11: makes the border and the previews.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <memory>
#include <optional>

#include "platform/window_service.h"
#include "platform/x11/capture/render_formats.h"
#include "platform/x11/desktop/program_stacking.h"
#include "platform/x11/desktop/step_writes.h"
#include "platform/x11/desktop/window_cache.h"
#include "platform/x11/desktop/x11_screens.h"
#include "platform/x11/wire/connection.h"
#include "platform/x11/wire/event_loop.h"

namespace corvane::x11 {

/// The program's own windows: the border around the game being played and
/// the floating preview panels. Their frames are in framework space.
class X11Windows final : public platform::WindowService {
public:
    X11Windows(const Connection& connection, EventLoop& loop, X11Screens& screens, WindowCache& cache,
               StepWrites& writes, SwayIpc* sway = nullptr);

    [[nodiscard]] std::unique_ptr<platform::BorderWindow> createBorderWindow(DrawFunction draw) override;
    [[nodiscard]] std::unique_ptr<platform::Panel> createPanel(platform::Rect frame,
                                                               platform::PanelContent& content) override;

    /// The control panel's window while it is shown (none while hidden): the
    /// border and the previews then stay below it when they raise themselves.
    void keepBelow(std::optional<xcb_window_t> panel) { stacking_.keepBelow(panel); }

private:
    const Connection& connection_;
    EventLoop& loop_;
    X11Screens& screens_;
    StepWrites& writes_;
    SwayIpc* sway_;
    RenderFormats formats_;
    ProgramStacking stacking_;
};

}  // namespace corvane::x11
