#pragma once

#include "platform/geometry.h"
#include "platform/screens.h"

namespace corvane {

/// Conversion between the window space (origin top-left of the primary
/// screen, y down) and the framework space (origin bottom-left, y up).
/// The conversion is its own inverse.
class ScreenCoordinates {
public:
    ScreenCoordinates() = delete;
    static platform::Rect appKitRect(const platform::Rect& rect, platform::Screens& screens);
    static platform::Rect appKitRect(const platform::Rect& rect, double primaryScreenHeight);
};

}  // namespace corvane
