#pragma once

#include "platform/geometry.h"

namespace corvane::system_color {

// The light-appearance sRGB values of the desktop's system colours.
inline constexpr platform::Color kGreen = platform::Color::fromRGB(0x34C759);
inline constexpr platform::Color kBlue = platform::Color::fromRGB(0x007AFF);
inline constexpr platform::Color kOrange = platform::Color::fromRGB(0xFF9500);
inline constexpr platform::Color kPink = platform::Color::fromRGB(0xFF2D55);
inline constexpr platform::Color kPurple = platform::Color::fromRGB(0xAF52DE);

}  // namespace corvane::system_color
