// Moves and sizes one of our own windows, sending only what changed.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/xcb.h>

#include <optional>

#include "platform/x11/wire/connection.h"
#include "platform/x11/wire/root_coordinates.h"

namespace corvane::x11 {

/// Moves and sizes one of our own windows to `wanted` unless it is what was
/// `sent` last: each configure costs the compositor a repaint, so an unchanged
/// frame sends nothing. Returns whether it sent; the caller records `wanted` then.
bool configureIfChanged(const Connection& connection, xcb_window_t window, const RootRect& wanted,
                        const std::optional<RootRect>& sent);

}  // namespace corvane::x11
