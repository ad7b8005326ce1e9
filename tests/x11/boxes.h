#pragma once

#include <xcb/xproto.h>

#include <algorithm>
#include <cstddef>
#include <tuple>
#include <vector>

namespace corvane::x11test {

using Box = std::tuple<int, int, int, int>;  // x, y, width, height

/// X rectangles as boxes, sorted: a shape's rectangles come in no set order.
inline std::vector<Box> boxes(const xcb_rectangle_t* rectangles, std::size_t count) {
    std::vector<Box> result;
    for (std::size_t i = 0; i < count; ++i) {
        result.emplace_back(rectangles[i].x, rectangles[i].y, rectangles[i].width, rectangles[i].height);
    }
    std::sort(result.begin(), result.end());
    return result;
}

inline std::vector<Box> sorted(std::vector<Box> list) {
    std::sort(list.begin(), list.end());
    return list;
}

}  // namespace corvane::x11test
