// Draws a preview's label: the slot's name and a band in its colour.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/render.h>
#include <xcb/xcb.h>

#include <string_view>
#include <vector>

#include "platform/window_service.h"
#include "platform/x11/wire/connection.h"
#include "platform/x11/wire/owned_xid.h"

namespace corvane::x11 {

/// The characters of `utf8` as a core font's two-byte codes: every character
/// of the Basic Multilingual Plane for a Unicode font (`unicode`), else
/// Latin-1, with '?' for what the font cannot show. At most 255, as
/// ImageText16 takes.
std::vector<xcb_char2b_t> fontCodes(std::string_view utf8, bool unicode);

/// Draws a preview's label over its picture: a thin band in the slot's colour
/// along the top edge and the slot's name in the corner below it, white on
/// black in a core font of the server's, so no pixel passes through the
/// program. The font and its graphics context are made on the first draw.
class PreviewLabel {
public:
    explicit PreviewLabel(const Connection& connection) : connection_(connection) {}

    void draw(xcb_window_t window, xcb_render_picture_t picture, std::uint16_t width,
              const platform::PanelLabel& label);

private:
    void makeContext(xcb_window_t window);

    const Connection& connection_;
    OwnedGc context_;
    bool unicode_ = false;
};

}  // namespace corvane::x11
