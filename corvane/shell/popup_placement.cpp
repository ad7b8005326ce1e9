#include "corvane/shell/popup_placement.h"

#include <algorithm>

namespace corvane {

namespace {

constexpr int kGap = 4;  // between the icon and the popup

int clampedStart(int start, int length, int areaStart, int areaLength) {
    // A popup larger than the area keeps its top-left corner in view.
    return std::max(areaStart, std::min(start, areaStart + areaLength - length));
}

}  // namespace

QPoint popupPlacement(const QRect& anchor, const QSize& size, const QRect& screen, const QRect& available) {
    const int x = anchor.center().x() - size.width() / 2;
    const bool upperHalf = anchor.center().y() < screen.center().y();
    const int y = upperHalf ? anchor.bottom() + 1 + kGap : anchor.top() - kGap - size.height();
    return {clampedStart(x, size.width(), available.x(), available.width()),
            clampedStart(y, size.height(), available.y(), available.height())};
}

}  // namespace corvane
