#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <memory>

#include "platform/window_service.h"
#include "platform/x11/connection.h"
#include "platform/x11/event_loop.h"
#include "platform/x11/render_formats.h"
#include "platform/x11/window_cache.h"
#include "platform/x11/x11_screens.h"

namespace corvane::x11 {

/// The program's own windows: the border around the game being played and
/// the floating preview panels. Their frames are in framework space.
class X11Windows final : public platform::WindowService {
public:
    X11Windows(const Connection& connection, EventLoop& loop, X11Screens& screens, WindowCache& windows);

    [[nodiscard]] std::unique_ptr<platform::BorderWindow> createBorderWindow(DrawFunction draw) override;
    [[nodiscard]] std::unique_ptr<platform::Panel> createPanel(platform::Rect frame,
                                                               platform::PanelContent& content) override;

private:
    const Connection& connection_;
    EventLoop& loop_;
    X11Screens& screens_;
    WindowCache& windows_;
    RenderFormats formats_;
};

}  // namespace corvane::x11
