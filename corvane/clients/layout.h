#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/geometry.h"

namespace corvane {

/// The three window arrangements, stored by their raw values.
enum class Layout { mainPlusSide, sideBySide, stacked };

namespace layout {
inline constexpr std::array<Layout, 3> kAllCases{Layout::mainPlusSide, Layout::sideBySide, Layout::stacked};
std::string_view rawValue(Layout layout);
/// Exactly one of the three raw values (case-sensitive); nullopt otherwise.
std::optional<Layout> fromRawValue(std::string_view raw);
/// The name the control panel shows.
std::string_view title(Layout layout);
/// The main window's share of the width in mainPlusSide is kept within these.
inline constexpr double kMinMainShare = 0.5;
inline constexpr double kMaxMainShare = 0.85;
/// One frame per client for `layout` in `area` (Accessibility space), in slot
/// order; the client at `activeIndex` gets the main area of mainPlusSide,
/// which takes `mainShare` of the width (kept within 0.5 and 0.85). Not rounded.
std::vector<platform::Rect> frames(Layout layout, std::int64_t count, std::int64_t activeIndex,
                                   const platform::Rect& area, double mainShare);
}  // namespace layout

}  // namespace corvane
