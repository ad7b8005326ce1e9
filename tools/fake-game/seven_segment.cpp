#include "seven_segment.h"

#include <algorithm>
#include <array>
#include <string>

namespace fake_game {
namespace {

// Bits a, b, c, d, e, f, g (top, top right, bottom right, bottom, bottom left,
// top left, middle) of the digits 0 to 9.
constexpr std::array<std::uint8_t, 10> kDigitSegments = {0x3F, 0x06, 0x5B, 0x4F, 0x66,
                                                         0x6D, 0x7D, 0x07, 0x7F, 0x6F};

void appendDigit(std::vector<Box>& out, int digit, Box cell, std::int32_t stroke) {
    const std::int32_t half = cell.height / 2;
    const std::int32_t upperY = cell.y;
    const std::int32_t lowerY = cell.y + half;
    const std::int32_t upperHeight = half + stroke / 2;
    const std::int32_t lowerHeight = cell.height - half;
    const std::array<Box, 7> segments = {
        Box{cell.x, cell.y, cell.width, stroke},
        Box{cell.x + cell.width - stroke, upperY, stroke, upperHeight},
        Box{cell.x + cell.width - stroke, lowerY, stroke, lowerHeight},
        Box{cell.x, cell.y + cell.height - stroke, cell.width, stroke},
        Box{cell.x, lowerY, stroke, lowerHeight},
        Box{cell.x, upperY, stroke, upperHeight},
        Box{cell.x, cell.y + half - stroke / 2, cell.width, stroke},
    };
    const auto mask = kDigitSegments.at(static_cast<std::size_t>(digit));
    for (std::size_t bit = 0; bit < segments.size(); ++bit) {
        if ((mask >> bit) & 1U) out.push_back(segments.at(bit));
    }
}

}  // namespace

std::vector<Box> sevenSegmentFigure(int number, std::int32_t width, std::int32_t height) {
    const std::string digits = std::to_string(std::max(number, 0));
    const auto count = static_cast<double>(digits.size());
    // A digit is 0.55 of its height wide with 0.2 of its height between digits;
    // the figure uses at most 60 % of the height and 80 % of the width.
    const double widthPerHeight = count * 0.55 + (count - 1) * 0.2;
    const double digitHeight = std::min(0.6 * height, 0.8 * width / widthPerHeight);
    const auto cellHeight = static_cast<std::int32_t>(digitHeight);
    const auto cellWidth = static_cast<std::int32_t>(digitHeight * 0.55);
    const auto gap = static_cast<std::int32_t>(digitHeight * 0.2);
    const std::int32_t stroke = std::max(1, cellHeight / 8);
    if (cellHeight < 3 || cellWidth < 3) return {};

    const auto digitCount = static_cast<std::int32_t>(digits.size());
    const std::int32_t figureWidth = digitCount * cellWidth + (digitCount - 1) * gap;
    std::vector<Box> boxes;
    Box cell{(width - figureWidth) / 2, (height - cellHeight) / 2, cellWidth, cellHeight};
    for (const char c : digits) {
        appendDigit(boxes, c - '0', cell, stroke);
        cell.x += cellWidth + gap;
    }
    return boxes;
}

}  // namespace fake_game
