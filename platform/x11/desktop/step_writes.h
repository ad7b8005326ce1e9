// The one write path to X: every step's activations, moves, raises and own-window updates.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/xcb.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/x11/desktop/activation_record.h"
#include "platform/x11/desktop/foreign_placement.h"
#include "platform/x11/desktop/sway_ipc.h"
#include "platform/x11/desktop/window_cache.h"
#include "platform/x11/wire/connection.h"
#include "platform/x11/wire/event_loop.h"

namespace corvane::x11 {

/// Everything a step of the main loop asks of the X server, in one place that
/// decides when it goes out. In this order, and why:
///  1. The activation of a game goes out at once: the window manager hands the
///     game the keyboard, which is what the player waits for.
///  2. Nothing more until the window manager answers it (its _NET_ACTIVE_WINDOW
///     names the game) or ActivationRecord::kHoldForAnswer passes: while it, the
///     server and the game move the keyboard, moves and repaints would only slow
///     them. Another activation asked for meanwhile waits too, so the window
///     manager never has two to hand out at once (openbox stamps both with one
///     time, and the two games' focus requests then race).
///  3. Moves and resizes of other programs' windows, all of one window's in one
///     request, once the step is over.
///  4. Raises of those windows.
///  5. The program's own windows (the border, the previews): frames, mapping, paint.
/// What was written reads back as written: a frame as this step moves it, else
/// as last sent until the server reports the window's next change (at most
/// kPlacementPatience), else as the server said.
class StepWrites {
public:
    /// How long a sent move counts as done while the server reports nothing of the window.
    static constexpr double kPlacementPatience = 0.5;

    /// `sway`, where sway runs, takes the activations, moves and resizes its X
    /// window manager would not do; it must outlive this object.
    StepWrites(const Connection& connection, EventLoop& loop, WindowCache& cache, SwayIpc* sway = nullptr);
    StepWrites(const StepWrites&) = delete;
    StepWrites& operator=(const StepWrites&) = delete;
    StepWrites(StepWrites&&) = delete;
    StepWrites& operator=(StepWrites&&) = delete;
    ~StepWrites() = default;

    /// Asks for `window`, of `pid`, to be activated for the user action at `time`.
    void activate(xcb_window_t window, platform::Pid pid, xcb_timestamp_t time);
    /// The pid of the activation asked for that `active` (the window the window
    /// manager, or the X focus, has now) has not answered yet and that is still
    /// trusted; nullopt when there is none.
    [[nodiscard]] std::optional<platform::Pid> unansweredActivation(std::optional<xcb_window_t> active);

    /// Where another program's window is believed to be; nullopt when it is gone.
    [[nodiscard]] std::optional<ForeignPlacement> placement(xcb_window_t window);
    /// Moves the client area's corner to root `x`, `y`.
    void moveClient(xcb_window_t window, std::int32_t x, std::int32_t y);
    /// Sizes the client area.
    void resizeClient(xcb_window_t window, std::int32_t width, std::int32_t height);
    void raise(xcb_window_t window);

    /// Has `update` bring one of the program's own windows up to date in the
    /// flush, unless `owner` has expired by then.
    void updateOwnWindow(std::weak_ptr<bool> owner, std::function<void()> update);

private:
    struct Request {
        xcb_window_t window = XCB_WINDOW_NONE;
        platform::Pid pid = 0;
        xcb_timestamp_t time = XCB_CURRENT_TIME;
    };
    struct OwnUpdate {
        std::weak_ptr<bool> owner;
        std::function<void()> update;
    };

    ClientMove* pendingMove(xcb_window_t window);
    /// Whether an activation sent waits for its answer, and so does everything after it.
    [[nodiscard]] bool holding();
    void schedule();
    void flush();
    void send(const Request& request);
    /// The server told of a change of `window`: what was sent for it no longer counts.
    void placementReported(xcb_window_t window);
    /// Requests sent long ago that the window manager never carried out, while it never did one.
    void checkLapsedRequests(std::optional<xcb_window_t> active);
    void sendMoves();
    /// Notes a move as sent and, the first time, as awaiting the window manager's verdict; the
    /// window's new placement, or nullopt when the move changes nothing (or the window is gone).
    std::optional<ForeignPlacement> recordMove(xcb_window_t window, const ClientMove& move);
    /// The step's moves as sway's commands, all in one message.
    void sendMovesToSway(const std::map<xcb_window_t, ClientMove>& moves);
    void sendRaises();
    void updateOwnWindows();
    /// Says once on stderr what this desktop's window manager does not do when
    /// asked: it let a request lapse and never once did such a thing.
    void noteUnanswered(bool done, bool& said, const char* what);

    const Connection& connection_;
    EventLoop& loop_;
    WindowCache& cache_;
    SwayIpc* sway_;
    std::optional<Request> requested_;
    std::optional<ActivationRecord> unanswered_;
    bool holdingForAnswer_ = false;
    std::map<xcb_window_t, ClientMove> moves_;
    std::vector<xcb_window_t> raises_;
    std::vector<OwnUpdate> ownUpdates_;
    std::unordered_map<xcb_window_t, SentPlacement> sent_;
    // What the window manager was seen to do, and whether its refusal was said.
    struct AwaitedActivation {
        xcb_window_t window = XCB_WINDOW_NONE;
        double until = 0;
    };
    /// Requests waiting to be seen done, until the window manager did one of each kind.
    std::optional<AwaitedActivation> awaitedActivation_;
    std::unordered_map<xcb_window_t, SentPlacement> awaiting_;
    bool activatedOnce_ = false;
    bool saidNoActivation_ = false;
    bool movedOnce_ = false;
    bool saidNoMoves_ = false;
    bool flushPosted_ = false;
    std::unique_ptr<platform::Timer> holdDeadline_;
    Subscription activeWindowChanged_;
    std::shared_ptr<bool> lifetime_ = std::make_shared<bool>(true);
};

}  // namespace corvane::x11
