#include "corvane/clients/layout.h"

namespace corvane::layout {

std::string_view rawValue(Layout layout) {
    switch (layout) {
        case Layout::mainPlusSide: return "mainPlusSide";
        case Layout::sideBySide: return "sideBySide";
        case Layout::stacked: return "stacked";
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
        case Layout::mainPlusSide: return "Main + side";
        case Layout::sideBySide: return "Side by side";
        case Layout::stacked: return "Stacked";
    }
    return "Main + side";
}

}  // namespace corvane::layout
