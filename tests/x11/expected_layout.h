#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "corvane/clients/layout.h"
#include "platform/geometry.h"

namespace corvane::x11test {

/// The monitor less the window manager's reserved edges (its _NET_WORKAREA,
/// where it sets one), in root coordinates.
[[nodiscard]] platform::Rect usableArea(const platform::Rect& monitor,
                                        const std::optional<platform::Rect>& workArea);

/// The outer frames, in root coordinates and whole pixels, that `layout` gives
/// `count` games with the given active slot and main share on `monitor`, whose
/// usable part is `usable`: computed from what the X server reports, not by the
/// program under test.
[[nodiscard]] std::vector<platform::Rect> expectedFrames(Layout layout, std::size_t count,
                                                         std::size_t activeIndex, double mainShare,
                                                         const platform::Rect& monitor,
                                                         const platform::Rect& usable);

}  // namespace corvane::x11test
