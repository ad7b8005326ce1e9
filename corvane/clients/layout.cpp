#include "corvane/clients/layout.h"

#include <algorithm>

namespace corvane::layout {

namespace {

double clampShare(double share) {
    if (share <= kMinMainShare) return kMinMainShare;
    if (share > kMaxMainShare) return kMaxMainShare;
    return share;
}

std::vector<platform::Rect> mainPlusSideFrames(std::int64_t count, std::int64_t activeIndex,
                                               const platform::Rect& area, double mainShare) {
    const double x = area.x;
    const double y = area.y;
    const double w = area.width;
    const double h = area.height;
    const double mainWidth = platform::roundHalfAwayFromZero(clampShare(mainShare) * w);
    const double sideWidth = w - mainWidth;
    const double sideHeight = std::min(sideWidth * h / w, h / static_cast<double>(count - 1));
    std::vector<platform::Rect> frames;
    frames.reserve(static_cast<std::size_t>(count));
    double k = 0;
    for (std::int64_t j = 0; j < count; ++j) {
        if (j == activeIndex) {
            frames.push_back({x, y, mainWidth, h});
        } else {
            frames.push_back({mainWidth + x, sideHeight * k + y, sideWidth, sideHeight});
            k += 1;
        }
    }
    return frames;
}

}  // namespace

std::string_view rawValue(Layout layout) {
    switch (layout) {
        case Layout::mainPlusSide:
            return "mainPlusSide";
        case Layout::sideBySide:
            return "sideBySide";
        case Layout::stacked:
            return "stacked";
    }
    return "mainPlusSide";
}

std::optional<Layout> fromRawValue(std::string_view raw) {
    for (Layout candidate : kAllCases) {
        if (rawValue(candidate) == raw) return candidate;
    }
    return std::nullopt;
}

std::string_view title(Layout layout) {
    switch (layout) {
        case Layout::mainPlusSide:
            return "Main + side";
        case Layout::sideBySide:
            return "Side by side";
        case Layout::stacked:
            return "Stacked";
    }
    return "Main + side";
}

std::vector<platform::Rect> frames(Layout layout, std::int64_t count, std::int64_t activeIndex,
                                   const platform::Rect& area, double mainShare) {
    if (count <= 0) return {};
    const platform::Rect a = area.standardized();
    const auto n = static_cast<double>(count);
    std::vector<platform::Rect> out;
    switch (layout) {
        case Layout::sideBySide:
            for (std::int64_t i = 0; i < count; ++i) {
                const double columnWidth = a.width / n;
                out.push_back({a.x + columnWidth * static_cast<double>(i), a.y, columnWidth, a.height});
            }
            return out;
        case Layout::stacked:
            for (std::int64_t i = 0; i < count; ++i) {
                const double rowHeight = a.height / n;
                out.push_back({a.x, rowHeight * static_cast<double>(i) + a.y, a.width, rowHeight});
            }
            return out;
        case Layout::mainPlusSide:
            if (count == 1) return {a};
            return mainPlusSideFrames(count, activeIndex, a, mainShare);
    }
    return out;
}

}  // namespace corvane::layout
