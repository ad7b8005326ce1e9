// Requests to other programs' windows (move, raise, activate), each with its error policy.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/xcb.h>

#include "platform/x11/desktop/foreign_placement.h"
#include "platform/x11/wire/connection.h"

namespace corvane::x11 {

// The requests that act on other programs' windows, each as the window
// manager (or, without one, the server) takes it. They only send: when and
// in which order is StepWrites' to decide.

/// Asks the window manager to activate `window` for the user (a pager's request).
void requestActivation(const Connection& connection, xcb_window_t window, xcb_timestamp_t time);
/// The ICCCM way, without a window manager: raise, SetInputFocus for a window
/// that takes input, WM_TAKE_FOCUS for one that asks for it (Wine's windows).
void activateWithoutWindowManager(const Connection& connection, xcb_window_t window, xcb_timestamp_t time);
/// Moves and sizes the client area through the window manager (static gravity).
void requestMoveResize(const Connection& connection, xcb_window_t window, const ClientMove& move);
/// The same straight to the server, where no window manager runs.
void configureClient(const Connection& connection, xcb_window_t window, const ClientMove& move);
/// A plain raise to the top of its siblings (for a managed window, a request
/// the window manager decides on).
void raiseToTop(const Connection& connection, xcb_window_t window);
/// A raise through the window manager, which stacks its frames, not the clients.
void requestRaise(const Connection& connection, xcb_window_t window);

}  // namespace corvane::x11
