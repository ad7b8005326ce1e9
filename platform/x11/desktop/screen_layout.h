// Monitors from RandR, in root coordinates, the primary first.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/geometry.h"
#include "platform/screens.h"

namespace corvane::x11 {

/// A monitor as RandR describes it, in root coordinates (pixels, y down).
struct Monitor {
    platform::Rect frame;
    bool primary = false;
    /// Made by the server for an output, as opposed to defined by the user.
    bool automatic = true;
    friend bool operator==(const Monitor&, const Monitor&) = default;
};

/// The monitors in root coordinates with the primary one first. The primary
/// is the primary output's CRTC when there is one, else the monitor RandR
/// flags primary, else the first monitor, else the whole root window. The
/// other monitors follow in RandR's order. A monitor the server made for an
/// output that the user has split into monitors of their own (the way a wide
/// screen is shared out) is left out: its parts stand for it.
std::vector<platform::Rect> orderMonitors(const std::optional<platform::Rect>& primaryCrtc,
                                          const std::vector<Monitor>& monitors,
                                          const platform::Rect& rootFrame);

/// The common part of two rectangles; nullopt when they do not overlap.
std::optional<platform::Rect> intersection(const platform::Rect& a, const platform::Rect& b);

/// Screens in framework space (origin bottom-left of the primary screen, y up)
/// from monitors in root coordinates, primary first. Each visible frame is
/// the monitor clipped to the work area (the whole monitor when there is no
/// work area or they do not overlap).
std::vector<platform::Screen> frameworkScreens(const std::vector<platform::Rect>& monitors,
                                               const std::optional<platform::Rect>& workArea);

/// The work area of the current desktop from the _NET_WORKAREA items
/// (x, y, width, height per desktop); the first desktop's when the current one has none.
std::optional<platform::Rect> workAreaOf(const std::vector<std::uint32_t>& workAreas,
                                         std::optional<std::uint32_t> currentDesktop);

}  // namespace corvane::x11
