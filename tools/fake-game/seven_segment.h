#pragma once

#include <cstdint>
#include <vector>

namespace fake_game {

struct Box {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

/// Filled rectangles that draw `number` as seven-segment digits, centred in a
/// window of the given size and as large as fits: a label readable at any
/// window size without fonts.
[[nodiscard]] std::vector<Box> sevenSegmentFigure(int number, std::int32_t width, std::int32_t height);

}  // namespace fake_game
