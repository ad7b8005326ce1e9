#include "platform/x11/capture/render_formats.h"

namespace corvane::x11 {

RenderFormats::RenderFormats(const Connection& connection) {
    if (!connection.extensions().render.usable) return;
    readFormats(connection);
    available_ = !formats_.empty();
}

void RenderFormats::readFormats(const Connection& connection) {
    xcb_connection_t* c = connection.get();
    auto cookie = makeCookie(c, xcb_render_query_pict_formats(c), xcb_render_query_pict_formats_reply);
    const auto* reply = cookie.get();
    if (reply == nullptr) return;
    for (auto screens = xcb_render_query_pict_formats_screens_iterator(reply); screens.rem > 0;
         xcb_render_pictscreen_next(&screens)) {
        for (auto depths = xcb_render_pictscreen_depths_iterator(screens.data); depths.rem > 0;
             xcb_render_pictdepth_next(&depths)) {
            for (auto visuals = xcb_render_pictdepth_visuals_iterator(depths.data); visuals.rem > 0;
                 xcb_render_pictvisual_next(&visuals)) {
                formats_.emplace_back(visuals.data->visual, visuals.data->format);
            }
        }
    }
}

std::optional<xcb_render_pictformat_t> RenderFormats::forVisual(xcb_visualid_t visual) const {
    for (const auto& [id, format] : formats_) {
        if (id == visual) return format;
    }
    return std::nullopt;
}

}  // namespace corvane::x11
