#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <sys/types.h>
#include <xcb/xcb.h>

#include <optional>

#include "platform/x11/connection.h"

namespace corvane::x11 {

/// The process of the X client that created `window`, as the server knows it
/// from its socket (X-Resource): no window property, which any program may
/// set, is trusted. nullopt for a remote client, a server without the
/// extension, or a window that is gone.
std::optional<pid_t> clientPid(const Connection& connection, xcb_window_t window);

}  // namespace corvane::x11
