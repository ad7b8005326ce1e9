#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/geometry.h"

namespace corvane::platform {

/// One monitor. Both rectangles are in framework space: origin at the
/// bottom-left of the primary screen, y grows upward.
struct Screen {
    Rect frame;
    Rect visibleFrame;   ///< the frame less panels, docks and menu bars
    std::string name{};  ///< the monitor's name ("HDMI-1"); "" when the platform names none
    friend bool operator==(const Screen&, const Screen&) = default;
};

class Screens {
public:
    virtual ~Screens() = default;
    /// Every screen, the primary one first; empty when none is known.
    [[nodiscard]] virtual std::vector<Screen> screens() = 0;
    /// The screen the user is working on; nullopt when none is known.
    [[nodiscard]] virtual std::optional<Screen> mainScreen() = 0;
};

}  // namespace corvane::platform
