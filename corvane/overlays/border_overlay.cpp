#include "corvane/overlays/border_overlay.h"

#include "corvane/clients/screen_coordinates.h"

namespace corvane {

void BorderOverlay::FrameView::draw(platform::Canvas& canvas, const platform::Rect& bounds) const {
    // A stroke is centred on its path, so half a line in from the edges
    // covers exactly the outer `thickness` points.
    const double half = thickness / 2;
    canvas.strokeRect(bounds.insetBy(half, half), color, thickness);
}

BorderOverlay::BorderOverlay(platform::WindowService& windows, platform::Screens& screens)
    : screens_(screens),
      window_(windows.createBorderWindow(
          [this](platform::Canvas& canvas, platform::Rect bounds) { frameView_.draw(canvas, bounds); })) {}

void BorderOverlay::show(const platform::Rect& aroundAX, platform::Color color, double thickness) {
    const platform::Rect frame =
        ScreenCoordinates::appKitRect(aroundAX, screens_).insetBy(-thickness, -thickness);
    frameView_.color = color;
    frameView_.thickness = thickness;
    // Called on every tick: send the frame and the raise only when they change.
    if (window_->frame() != frame) window_->setFrame(frame, true);
    window_->setNeedsDisplay();  // colour or thickness may have changed
    if (!window_->isVisible()) window_->orderFrontRegardless();
}

void BorderOverlay::hide() {
    window_->orderOut();
}

}  // namespace corvane
