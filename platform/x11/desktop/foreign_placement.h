// Where another program's window is: its frame, extents and gravity.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <cstdint>
#include <optional>

#include "platform/geometry.h"
#include "platform/x11/desktop/foreign_client.h"

namespace corvane::x11 {

/// Where another program's window is: its outer frame in root coordinates and
/// what lies between that frame and the client area.
struct ForeignPlacement {
    platform::Rect frame;
    FrameExtents decoration;  ///< frame edge to client area, the client's border included
    std::int32_t border = 0;  ///< the client window's own X border
    friend bool operator==(const ForeignPlacement&, const ForeignPlacement&) = default;
};

/// A window's new client area as far as the program has set it.
struct ClientMove {
    std::optional<std::int32_t> x;  ///< with y: the client area's corner in root coordinates
    std::optional<std::int32_t> y;
    std::optional<std::int32_t> width;  ///< with height: the client area's size
    std::optional<std::int32_t> height;
    std::int32_t border = 0;
    friend bool operator==(const ClientMove&, const ClientMove&) = default;
};

/// Where `move` puts a window that is at `current`: the decoration stays.
[[nodiscard]] ForeignPlacement placed(ForeignPlacement current, const ClientMove& move);

/// A placement the program sent and the server has not reported done yet.
struct SentPlacement {
    ForeignPlacement placement;
    double until = 0;  ///< when it stops counting: the window manager did not do it
};

/// Where the program believes a window is: as this step moves it (`pending`),
/// from where it was last sent and not yet confirmed (`sent`, until it
/// expires), else from what the server said (`server`). Nullopt when the
/// server says the window is gone.
[[nodiscard]] std::optional<ForeignPlacement> believedPlacement(const std::optional<ForeignPlacement>& server,
                                                                const SentPlacement* sent, double now,
                                                                const ClientMove* pending);

}  // namespace corvane::x11
