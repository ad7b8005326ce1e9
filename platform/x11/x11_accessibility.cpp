#include "platform/x11/x11_accessibility.h"

#include <algorithm>
#include <cmath>

#include "platform/x11/program_stacking.h"
#include "platform/x11/root_coordinates.h"

namespace corvane::x11 {

namespace {

/// _NET_MOVERESIZE_WINDOW flags: gravity in bits 0-7, which values are given in
/// bits 8-11, the source indication in bits 12-13.
constexpr std::uint32_t kStaticGravity = 10;
constexpr std::uint32_t kHasX = 1U << 8U;
constexpr std::uint32_t kHasY = 1U << 9U;
constexpr std::uint32_t kHasWidth = 1U << 10U;
constexpr std::uint32_t kHasHeight = 1U << 11U;
constexpr std::uint32_t kSourcePager = 2;
constexpr std::uint32_t kFromPager = kSourcePager << 12U;

/// A position as X takes it: whole pixels within the 16-bit signed range.
std::int32_t coordinate(double value) {
    if (std::isnan(value)) return 0;
    return static_cast<std::int32_t>(std::lround(std::clamp(value, kMinCoordinate, kMaxCoordinate)));
}

/// A size as X takes it: whole pixels, at least one, at most what 16-bit coordinates reach.
std::int32_t extent(double value) {
    if (std::isnan(value)) return 1;
    return static_cast<std::int32_t>(std::lround(std::clamp(value, 1.0, kMaxExtent)));
}

/// A signed coordinate as a 32-bit protocol item.
std::uint32_t item(std::int32_t value) {
    return static_cast<std::uint32_t>(value);
}

}  // namespace

X11Accessibility::X11Accessibility(const Connection& connection, X11Screens& screens, WindowCache& windows)
    : connection_(connection), screens_(screens), windows_(windows) {}

std::optional<std::vector<platform::WindowRef>> X11Accessibility::windows(platform::Pid pid) {
    const auto windows = windows_.windowsOf(pid);
    if (!windows) return std::nullopt;
    return std::vector<platform::WindowRef>(windows->begin(), windows->end());
}

std::optional<platform::Point> X11Accessibility::position(platform::WindowRef window) {
    const auto current = placement(static_cast<xcb_window_t>(window));
    if (!current) return std::nullopt;
    const platform::Point shift = origin();
    return platform::Point{current->frame.x - shift.x, current->frame.y - shift.y};
}

std::optional<platform::Size> X11Accessibility::size(platform::WindowRef window) {
    const auto current = placement(static_cast<xcb_window_t>(window));
    if (!current) return std::nullopt;
    return current->frame.size();
}

std::optional<WindowPlacement> X11Accessibility::placement(xcb_window_t window) {
    // A frame reads back as written at once, as the border and the next tick expect.
    const auto current = windows_.placement(window);
    const auto pending = moves_.find(window);
    if (!current || pending == moves_.end()) return current;
    return placed(*current, pending->second);
}

WindowPlacement X11Accessibility::placed(WindowPlacement current, const Move& move) {
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

void X11Accessibility::setPosition(platform::WindowRef ref, platform::Point position) {
    const auto window = static_cast<xcb_window_t>(ref);
    const auto current = windows_.placement(window);
    if (!current) return;
    const platform::Point shift = origin();
    Move& move = pendingMove(window, *current);
    // The client area's corner: the frame's corner plus the decoration.
    move.x = coordinate(position.x + shift.x) + current->decoration.left;
    move.y = coordinate(position.y + shift.y) + current->decoration.top;
}

void X11Accessibility::setSize(platform::WindowRef ref, platform::Size size) {
    const auto window = static_cast<xcb_window_t>(ref);
    const auto current = windows_.placement(window);
    if (!current) return;
    const auto& decoration = current->decoration;
    Move& move = pendingMove(window, *current);
    move.width = extent(size.width - decoration.left - decoration.right);
    move.height = extent(size.height - decoration.top - decoration.bottom);
}

X11Accessibility::Move& X11Accessibility::pendingMove(xcb_window_t window, const WindowPlacement& current) {
    postSend();
    Move& move = moves_[window];
    move.border = current.border;
    return move;
}

void X11Accessibility::postSend() {
    if (sendPosted_) return;
    // The writes of one step go out together after it, one request per window:
    // the window manager and the game handle each frame once instead of once
    // per position and size, and once the window manager answered the step's
    // activation.
    sendPosted_ = true;
    windows_.afterStep(lifetime_, [this] { sendPending(); });
}

void X11Accessibility::sendPending() {
    sendPosted_ = false;
    const bool windowManager = windows_.windowManagerPresent();
    for (const auto& [window, move] : moves_) {
        if (const auto current = windows_.placement(window)) {
            windows_.expectPlacement(window, placed(*current, move), kPlacementPatience);
        }
        if (windowManager) {
            sendToWindowManager(window, move);
        } else {
            configure(window, move);
        }
    }
    moves_.clear();
    for (const xcb_window_t window : raises_) sendRaise(window);
    raises_.clear();
}

void X11Accessibility::sendToWindowManager(xcb_window_t window, const Move& move) const {
    // Static gravity names the client area's corner whatever gravity the window
    // asked for (Wine asks for static, xterm for north-west), so the frame lands
    // exactly where asked once the decoration is added back.
    std::uint32_t flags = kStaticGravity | kFromPager;
    if (move.x && move.y) flags |= kHasX | kHasY;
    if (move.width && move.height) flags |= kHasWidth | kHasHeight;
    connection_.sendToWindowManager(window, connection_.atoms().netMoveresizeWindow,
                                    {flags, item(move.x.value_or(0)), item(move.y.value_or(0)),
                                     item(move.width.value_or(1)), item(move.height.value_or(1))});
}

void X11Accessibility::configure(xcb_window_t window, const Move& move) const {
    std::uint16_t mask = 0;
    std::vector<std::uint32_t> values;
    if (move.x && move.y) {
        // Without a window manager a window's position is its border's outer corner.
        mask |= XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y;
        values.push_back(item(*move.x - move.border));
        values.push_back(item(*move.y - move.border));
    }
    if (move.width && move.height) {
        mask |= XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT;
        values.push_back(item(*move.width));
        values.push_back(item(*move.height));
    }
    connection_.onForeignWindow(xcb_configure_window(connection_.get(), window, mask, values.data()));
}

void X11Accessibility::raise(platform::WindowRef ref) {
    // After the moves of the step, like them after an activation: the window
    // manager raises the window it activates anyway.
    postSend();
    raises_.push_back(static_cast<xcb_window_t>(ref));
}

void X11Accessibility::sendRaise(xcb_window_t window) const {
    const xcb_atom_t restack = connection_.atoms().netRestackWindow;
    if (windows_.windowManagerPresent() && windows_.windowManagerSupports(restack)) {
        // A reparenting window manager stacks frames, not clients: ask it.
        connection_.sendToWindowManager(window, restack,
                                        {kSourcePager, XCB_WINDOW_NONE, XCB_STACK_MODE_ABOVE, 0, 0});
    } else {
        raiseToTop(connection_, window);
    }
}

platform::Point X11Accessibility::origin() {
    return screens_.primaryRootFrame().origin();
}

}  // namespace corvane::x11
