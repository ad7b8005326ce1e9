// A captured window as a Render picture, handed to the previews.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/render.h>

#include "platform/geometry.h"
#include "platform/window_service.h"
#include "platform/x11/wire/owned_xid.h"

namespace corvane::x11 {

/// A captured window as the program hands it around: a Render picture of the
/// window's off-screen pixmap, which the server keeps up to date. Its pixels
/// never leave the server. Shared: a panel may keep showing it after the
/// capture has moved on to a new pixmap or stopped.
class WindowPicture final : public platform::Surface {
public:
    WindowPicture(OwnedPixmap pixmap, OwnedPicture picture, platform::Size size)
        : pixmap_(std::move(pixmap)), picture_(std::move(picture)), size_(size) {}

    [[nodiscard]] platform::Size pixelSize() const override { return size_; }
    [[nodiscard]] xcb_render_picture_t picture() const { return picture_.get(); }

private:
    // The picture goes before the pixmap it is made on.
    OwnedPixmap pixmap_;
    OwnedPicture picture_;
    platform::Size size_;
};

}  // namespace corvane::x11
