#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

namespace corvane::platform {

/// Process identifier, as the operating system reports it.
using Pid = std::int32_t;

struct Point {
    double x = 0;
    double y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

/// A rectangle in screen points: origin plus size, 64-bit floating point.
struct Rect {
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    friend bool operator==(const Rect&, const Rect&) = default;

    [[nodiscard]] Point origin() const { return {x, y}; }
    [[nodiscard]] Size size() const { return {width, height}; }

    /// The same rectangle with non-negative width and height.
    [[nodiscard]] Rect standardized() const {
        Rect r = *this;
        if (r.width < 0) {
            r.x += r.width;
            r.width = -r.width;
        }
        if (r.height < 0) {
            r.y += r.height;
            r.height = -r.height;
        }
        return r;
    }
    [[nodiscard]] double minX() const { return standardized().x; }
    [[nodiscard]] double minY() const { return standardized().y; }
    [[nodiscard]] double maxX() const {
        const Rect r = standardized();
        return r.x + r.width;
    }
    [[nodiscard]] double maxY() const {
        const Rect r = standardized();
        return r.y + r.height;
    }

    /// Snaps outward to whole points: minimum edges down, maximum edges up.
    [[nodiscard]] Rect integral() const {
        const Rect r = standardized();
        const double x0 = std::floor(r.x);
        const double y0 = std::floor(r.y);
        const double x1 = std::ceil(r.x + r.width);
        const double y1 = std::ceil(r.y + r.height);
        return {x0, y0, x1 - x0, y1 - y0};
    }

    /// Shrunk by `dx` on the left and right and `dy` at the top and bottom (grown for negative values).
    [[nodiscard]] Rect insetBy(double dx, double dy) const {
        return {x + dx, y + dy, width - 2 * dx, height - 2 * dy};
    }
};

/// An sRGB colour with alpha, components 0 to 1.
struct Color {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;
    friend bool operator==(const Color&, const Color&) = default;

    static constexpr Color fromRGB(std::uint32_t rgb) {
        return {static_cast<double>((rgb >> 16U) & 0xFFU) / 255.0,
                static_cast<double>((rgb >> 8U) & 0xFFU) / 255.0, static_cast<double>(rgb & 0xFFU) / 255.0,
                1.0};
    }
};

/// A point in time, seconds since 1970-01-01 UTC with fractions.
struct Date {
    double secondsSince1970 = 0;
    friend auto operator<=>(const Date&, const Date&) = default;

    /// Earlier than every real launch time (1 January of year 1).
    static constexpr Date distantPast() { return {-62135596800.0}; }
};

/// Rounds to the nearest whole number, halves away from zero.
inline double roundHalfAwayFromZero(double v) {
    return std::round(v);
}

}  // namespace corvane::platform
