#pragma once

#include <array>
#include <optional>
#include <string_view>

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
}  // namespace layout

}  // namespace corvane
