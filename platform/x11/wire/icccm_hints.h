// ICCCM's WM_HINTS and WM_NORMAL_HINTS as typed records, turned to and from their 32-bit items.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/xcb.h>

#include <array>
#include <cstdint>
#include <span>

namespace corvane::x11 {

/// WM_HINTS: nine items, of which the program needs only the input field.
struct WmHints {
    static constexpr std::uint32_t kInputFlag = 1U << 0U;
    static constexpr std::size_t kItems = 9;

    std::uint32_t flags = 0;
    bool input = false;  ///< read only with kInputFlag set

    /// Whether the window wants the focus: a window that does not say so gets it.
    [[nodiscard]] bool acceptsInput() const { return (flags & kInputFlag) == 0 || input; }

    [[nodiscard]] std::array<std::uint32_t, kItems> items() const {
        return {flags, input ? 1U : 0U, 0, 0, 0, 0, 0, 0, 0};
    }
    /// A short property (an old client's) reads as one without the fields it lacks.
    static WmHints from(std::span<const std::uint32_t> items) {
        WmHints hints;
        if (items.size() < 2) return hints;
        hints.flags = items[0];
        hints.input = items[1] != 0;
        return hints;
    }
};

/// WM_NORMAL_HINTS, of type WM_SIZE_HINTS: eighteen items; the sizes between
/// the position and the gravity stay unset.
struct WmSizeHints {
    static constexpr std::uint32_t kUserPosition = 1U << 0U;
    static constexpr std::uint32_t kUserSize = 1U << 1U;
    static constexpr std::uint32_t kProgramPosition = 1U << 2U;
    static constexpr std::uint32_t kProgramSize = 1U << 3U;
    static constexpr std::uint32_t kWinGravity = 1U << 9U;
    static constexpr std::size_t kItems = 18;

    std::uint32_t flags = 0;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t winGravity = XCB_GRAVITY_NORTH_WEST;

    [[nodiscard]] std::array<std::uint32_t, kItems> items() const {
        std::array<std::uint32_t, kItems> items{};
        items[0] = flags;
        items[1] = static_cast<std::uint32_t>(x);
        items[2] = static_cast<std::uint32_t>(y);
        items[3] = width;
        items[4] = height;
        items[kItems - 1] = winGravity;
        return items;
    }
};

}  // namespace corvane::x11
