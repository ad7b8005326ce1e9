#include "corvane/overlays/live_preview.h"

namespace corvane {

void LivePreview::SurfaceView::mouseUp(int clickCount) {
    // Only a single click switches; a double click's first release does too,
    // its second one must not switch again.
    if (clickCount == 1 && onClick) onClick();
}

void LivePreview::SurfaceView::mouseDragged() {
    // The platform has already moved the panel by this step.
    if (onMoved) onMoved();
}

}  // namespace corvane
