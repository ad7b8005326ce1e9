#include "platform/x11/desktop/foreign_client.h"

#include <cstdint>
#include <utility>

namespace corvane::x11 {

namespace {

/// Both extents of one axis as they are, or none where together they cover the screen.
std::pair<std::int32_t, std::int32_t> believable(std::uint32_t first, std::uint32_t second,
                                                 std::uint16_t screen) {
    if (std::uint64_t{first} + second >= screen) return {0, 0};
    return {static_cast<std::int32_t>(first), static_cast<std::int32_t>(second)};
}

}  // namespace

FrameExtents frameExtents(PropertyCookie& cookie, std::uint16_t screenWidth, std::uint16_t screenHeight) {
    const auto values = values32(cookie.get());
    if (values.size() < 4) return {};
    const auto [left, right] = believable(values[0], values[1], screenWidth);
    const auto [top, bottom] = believable(values[2], values[3], screenHeight);
    return {left, right, top, bottom};
}

std::optional<platform::Pid> pidFrom(PropertyCookie& cookie) {
    const auto value = firstValue32(cookie.get());
    if (!value || *value == 0) return std::nullopt;
    return static_cast<platform::Pid>(*value);
}

}  // namespace corvane::x11
