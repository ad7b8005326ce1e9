#include "platform/x11/desktop/write_route.h"

#include <string>

#include "platform/x11/desktop/foreign_requests.h"

namespace corvane::x11 {

WriteRoute::Way WriteRoute::activations() {
    if (!cache_.windowManagerPresent()) return Way::direct;
    return sway_ != nullptr ? Way::sway : Way::windowManager;
}

WriteRoute::Way WriteRoute::moves() {
    if (sway_ != nullptr) return Way::sway;
    // Where the window manager does not take _NET_MOVERESIZE_WINDOW (weston's),
    // a configure request is what ICCCM gives every client.
    const bool windowManager = cache_.windowManagerPresent() &&
                               cache_.windowManagerSupports(connection_.atoms().netMoveresizeWindow);
    return windowManager ? Way::windowManager : Way::direct;
}

WriteRoute::Way WriteRoute::raises() {
    // A reparenting window manager stacks frames, not clients: ask it where it can.
    const bool windowManager =
        cache_.windowManagerPresent() && cache_.windowManagerSupports(connection_.atoms().netRestackWindow);
    return windowManager ? Way::windowManager : Way::direct;
}

bool WriteRoute::activate(xcb_window_t window, xcb_timestamp_t time, bool fallBack) {
    switch (activations()) {
        case Way::direct:
            activateWithoutWindowManager(connection_, window, time);
            return true;
        case Way::sway:
            if (sway_->run(SwayIpc::windowCriteria(window) + " focus")) return true;
            if (!fallBack) return false;
            requestActivation(connection_, window, time);
            return false;
        case Way::windowManager:
            requestActivation(connection_, window, time);
            return true;
    }
    return false;
}

bool WriteRoute::move(const std::vector<Move>& moves) {
    const Way way = this->moves();
    if (way != Way::sway) {
        for (const Move& each : moves) {
            if (way == Way::windowManager) {
                requestMoveResize(connection_, each.window, each.move);
            } else {
                configureClient(connection_, each.window, each.move);
            }
        }
        return true;
    }
    std::string commands;
    for (const Move& each : moves) {
        const platform::Rect& frame = each.after.frame;
        const FrameExtents& decoration = each.after.decoration;
        const auto whole = [](double value) { return static_cast<long>(value); };
        if (!commands.empty()) commands += "; ";
        commands += SwayIpc::placeCommand(each.window, whole(frame.x + decoration.left),
                                          whole(frame.y + decoration.top),
                                          whole(frame.width - decoration.left - decoration.right),
                                          whole(frame.height - decoration.top - decoration.bottom), false);
    }
    return commands.empty() || sway_->run(commands);
}

void WriteRoute::raise(xcb_window_t window) {
    if (raises() == Way::windowManager) {
        requestRaise(connection_, window);
    } else {
        raiseToTop(connection_, window);
    }
}

}  // namespace corvane::x11
