#include "corvane/clients/screen_coordinates.h"

namespace corvane {

platform::Rect ScreenCoordinates::appKitRect(const platform::Rect& rect, platform::Screens& screens) {
    const auto list = screens.screens();
    const double height = list.empty() ? 0.0 : list.front().frame.height;
    return appKitRect(rect, height);
}

platform::Rect ScreenCoordinates::appKitRect(const platform::Rect& rect, double primaryScreenHeight) {
    const platform::Rect r = rect.standardized();
    return {r.x, primaryScreenHeight - (r.y + r.height), r.width, r.height};
}

}  // namespace corvane
