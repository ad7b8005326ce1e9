// The Render extension: its formats and the one for each visual.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/render.h>
#include <xcb/xcb.h>

#include <optional>
#include <utility>
#include <vector>

#include "platform/x11/wire/connection.h"

namespace corvane::x11 {

/// The Render extension as the program uses it: whether it is there and
/// which picture format goes with a visual. Read once.
class RenderFormats {
public:
    explicit RenderFormats(const Connection& connection);

    /// Render with picture transforms and filters (0.6 or later).
    [[nodiscard]] bool available() const { return available_; }
    /// The format of pictures on drawables of `visual`; nullopt when Render has none.
    [[nodiscard]] std::optional<xcb_render_pictformat_t> forVisual(xcb_visualid_t visual) const;

private:
    void readFormats(const Connection& connection);

    bool available_ = false;
    std::vector<std::pair<xcb_visualid_t, xcb_render_pictformat_t>> formats_;
};

}  // namespace corvane::x11
