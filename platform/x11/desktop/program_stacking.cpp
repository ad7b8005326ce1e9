#include "platform/x11/desktop/program_stacking.h"

#include <array>

#include "platform/x11/desktop/foreign_requests.h"

namespace corvane::x11 {

namespace {

/// _NET_RESTACK_WINDOW's source indication for pagers and other tools acting for the user.
constexpr std::uint32_t kSourcePager = 2;
/// Enough parents for any window manager's frames.
constexpr int kMaxDepth = 16;

}  // namespace

ProgramStacking::ProgramStacking(const Connection& connection, WindowCache& cache)
    : connection_(connection), cache_(cache) {}

void ProgramStacking::raiseManaged(xcb_window_t window) {
    const xcb_atom_t restack = connection_.atoms().netRestackWindow;
    if (panel_ && cache_.windowManagerPresent() && cache_.windowManagerSupports(restack)) {
        // The window manager stacks frames: only it can put one below another's.
        connection_.sendToWindowManager(window, restack, {kSourcePager, *panel_, XCB_STACK_MODE_BELOW, 0, 0});
        return;
    }
    raiseToTop(connection_, window);
}

void ProgramStacking::raiseUnmanaged(xcb_window_t window) {
    const auto below = panel_ ? topLevelOf(*panel_) : std::nullopt;
    if (!below || *below == window) {
        raiseToTop(connection_, window);
        return;
    }
    // Directly below the panel's frame is above everything else that is below it.
    const std::array<std::uint32_t, 2> values{*below, XCB_STACK_MODE_BELOW};
    connection_.onForeignWindow(xcb_configure_window(
        connection_.get(), window, XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE, values.data()));
}

std::optional<xcb_window_t> ProgramStacking::topLevelOf(xcb_window_t window) const {
    for (int depth = 0; depth < kMaxDepth; ++depth) {
        TreeCookie tree = connection_.queryTree(window);
        const auto* reply = tree.get();
        if (reply == nullptr) return std::nullopt;  // the panel went away meanwhile
        if (reply->parent == reply->root || reply->parent == XCB_WINDOW_NONE) return window;
        window = reply->parent;
    }
    return std::nullopt;
}

}  // namespace corvane::x11
