// X errors in words, for the log.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/xcb.h>

#include <string>

#include "platform/x11/wire/extensions.h"

namespace corvane::x11 {

/// An X error as a person reads it: "BadWindow (3) on ConfigureWindow,
/// resource 0x1a00005", with the extensions' errors and requests by their names.
std::string describeError(const xcb_generic_error_t& error, const Extensions& extensions);

}  // namespace corvane::x11
