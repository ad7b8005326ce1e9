#include "platform/x11/window_placement.h"

namespace corvane::x11 {

WindowPlacement placed(WindowPlacement current, const ClientMove& move) {
    const FrameExtents& decoration = current.decoration;
    if (move.x && move.y) {
        current.frame.x = *move.x - decoration.left;
        current.frame.y = *move.y - decoration.top;
    }
    if (move.width && move.height) {
        current.frame.width = *move.width + decoration.left + decoration.right;
        current.frame.height = *move.height + decoration.top + decoration.bottom;
    }
    return current;
}

std::optional<WindowPlacement> believedPlacement(const std::optional<WindowPlacement>& server,
                                                 const SentPlacement* sent, double now,
                                                 const ClientMove* pending) {
    // A window the server no longer has is gone, whatever was sent.
    if (!server) return std::nullopt;
    const WindowPlacement base = sent != nullptr && now < sent->until ? sent->placement : *server;
    return pending != nullptr ? placed(base, *pending) : base;
}

}  // namespace corvane::x11
