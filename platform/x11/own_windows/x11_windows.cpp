#include "platform/x11/own_windows/x11_windows.h"

#include <utility>

#include "platform/x11/own_windows/preview_panel.h"
#include "platform/x11/own_windows/x11_border_window.h"

namespace corvane::x11 {

X11Windows::X11Windows(const Connection& connection, EventLoop& loop, X11Screens& screens, WindowCache& cache,
                       StepWrites& writes, SwayIpc* sway)
    : connection_(connection),
      loop_(loop),
      screens_(screens),
      writes_(writes),
      sway_(sway),
      formats_(connection),
      stacking_(connection, cache) {}

std::unique_ptr<platform::BorderWindow> X11Windows::createBorderWindow(DrawFunction draw) {
    return std::make_unique<X11BorderWindow>(connection_, loop_, screens_, writes_, stacking_,
                                             std::move(draw));
}

std::unique_ptr<platform::Panel> X11Windows::createPanel(platform::Rect frame,
                                                         platform::PanelContent& content) {
    return std::make_unique<PreviewPanel>(connection_, loop_, screens_, formats_, writes_, stacking_,
                                          sway_ != nullptr, frame, content);
}

}  // namespace corvane::x11
