#pragma once

#include <array>
#include <charconv>
#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>

#include "platform/geometry.h"

namespace corvane {

namespace rect_string_detail {

inline bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

/// Whether a number begins at `pos`: a digit, or a sign or point leading to one.
inline bool numberStartsAt(std::string_view text, std::size_t pos) {
    std::size_t i = pos;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    if (i < text.size() && text[i] == '.') ++i;
    return i < text.size() && isDigit(text[i]);
}

/// Shortest digits that read back as exactly `value`: plain decimals for any
/// magnitude a screen could have (1e+05 would be shorter, but odd to read),
/// an exponent only for the extremes.
inline std::string shortest(double value) {
    const double magnitude = value < 0 ? -value : value;
    const bool plain = magnitude == 0 || (magnitude >= 1e-4 && magnitude < 1e16);
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      plain ? std::chars_format::fixed : std::chars_format::scientific);
    return {buffer.data(), result.ptr};
}

/// A magnitude beyond a double saturates the way strtod does: to infinity,
/// or to zero when the exponent is negative.
inline double saturated(std::string_view matched) {
    const bool negative = matched.front() == '-';
    const auto e = matched.find_first_of("eE");
    const bool tiny = e != std::string_view::npos && e + 1 < matched.size() && matched[e + 1] == '-';
    const double magnitude = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    return negative ? -magnitude : magnitude;
}

/// Reads the number that begins at `pos` and moves `pos` past it.
inline double readNumber(std::string_view text, std::size_t& pos) {
    if (text[pos] == '+') ++pos;  // from_chars takes no plus sign
    const char* first = text.data() + pos;
    double value = 0;
    const auto result = std::from_chars(first, text.data() + text.size(), value);
    const auto length = static_cast<std::size_t>(result.ptr - first);
    pos += length;
    if (result.ec == std::errc::result_out_of_range) return saturated(text.substr(pos - length, length));
    return value;
}

}  // namespace rect_string_detail

/// "{{x, y}, {w, h}}", each number in its shortest exact form.
inline std::string stringFromRect(const platform::Rect& rect) {
    using rect_string_detail::shortest;
    return "{{" + shortest(rect.x) + ", " + shortest(rect.y) + "}, {" + shortest(rect.width) + ", " +
           shortest(rect.height) + "}}";
}

/// Reads up to four numbers in order (x, y, width, height), skipping anything
/// else, so hand-edited or foreign text still converts. Missing numbers are 0;
/// text without any number gives the zero rectangle.
inline platform::Rect rectFromString(std::string_view text) {
    std::array<double, 4> numbers{};
    std::size_t count = 0;
    std::size_t pos = 0;
    while (pos < text.size() && count < numbers.size()) {
        if (rect_string_detail::numberStartsAt(text, pos)) {
            numbers[count++] = rect_string_detail::readNumber(text, pos);
        } else {
            ++pos;
        }
    }
    return {numbers[0], numbers[1], numbers[2], numbers[3]};
}

}  // namespace corvane
