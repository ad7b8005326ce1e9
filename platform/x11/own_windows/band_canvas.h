// The border band drawn as rectangles in window pixels, for one window or four strips.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/xcb.h>

#include <vector>

#include "platform/geometry.h"
#include "platform/window_service.h"

namespace corvane::x11 {

/// The rectangles a stroke covers, in window pixels (origin top-left, y down):
/// the ring between `rect` grown and shrunk by half the line. `rect` is in view
/// space (origin bottom-left, y up) of a view `viewHeight` high. A line as
/// wide as the rectangle leaves no hole: then it is the whole grown rectangle.
std::vector<xcb_rectangle_t> bandRectangles(const platform::Rect& rect, double lineWidth, double viewHeight);

/// One stroke's colour and the rectangles that make it.
struct Band {
    platform::Color color;
    std::vector<xcb_rectangle_t> rectangles;
};

/// A canvas that only records strokes as bands: the border window both cuts
/// its shape to them and fills them, so nothing else needs drawing.
class BandCanvas final : public platform::Canvas {
public:
    explicit BandCanvas(double viewHeight) : viewHeight_(viewHeight) {}

    void strokeRect(platform::Rect rect, platform::Color color, double lineWidth) override;

    [[nodiscard]] const std::vector<Band>& bands() const { return bands_; }
    /// Every band's rectangles together.
    [[nodiscard]] std::vector<xcb_rectangle_t> allRectangles() const;

private:
    double viewHeight_;
    std::vector<Band> bands_;
};

}  // namespace corvane::x11
