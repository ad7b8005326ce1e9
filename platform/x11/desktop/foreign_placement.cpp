#include "platform/x11/desktop/foreign_placement.h"

namespace corvane::x11 {

ForeignPlacement placed(ForeignPlacement current, const ClientMove& move) {
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

std::optional<ForeignPlacement> believedPlacement(const std::optional<ForeignPlacement>& server,
                                                  const SentPlacement* sent, double now,
                                                  const ClientMove* pending) {
    // A window the server no longer has is gone, whatever was sent.
    if (!server) return std::nullopt;
    const ForeignPlacement base = sent != nullptr && now < sent->until ? sent->placement : *server;
    return pending != nullptr ? placed(base, *pending) : base;
}

}  // namespace corvane::x11
