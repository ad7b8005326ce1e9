#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <memory>

#include "platform/window_service.h"
#include "platform/x11/connection.h"

namespace corvane::x11 {

/// The program's own windows. For now they keep their state without showing
/// anything on the screen: the border and the panels stay invisible.
class X11Windows final : public platform::WindowService {
public:
    explicit X11Windows(const Connection& connection);

    [[nodiscard]] std::unique_ptr<platform::BorderWindow> createBorderWindow(DrawFunction draw) override;
    [[nodiscard]] std::unique_ptr<platform::Panel> createPanel(platform::Rect frame,
                                                               platform::PanelContent& content) override;

private:
    [[maybe_unused]] const Connection& connection_;  // for the real implementation
};

}  // namespace corvane::x11
