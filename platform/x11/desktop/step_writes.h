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
#include <utility>
#include <vector>

#include "platform/post_once.h"
#include "platform/x11/desktop/activation_record.h"
#include "platform/x11/desktop/window_cache.h"
#include "platform/x11/desktop/write_route.h"
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
/// kPlacementPatience), else as the server said. Nothing is flushed to the
/// server in the middle of a step but the activation.
class StepWrites {
public:
    /// How long a sent move counts as done while the server reports nothing of the window.
    static constexpr double kPlacementPatience = 0.5;

    /// `route` must outlive this object.
    StepWrites(const Connection& connection, EventLoop& loop, WindowCache& cache, WriteRoute& route);
    StepWrites(const StepWrites&) = delete;
    StepWrites& operator=(const StepWrites&) = delete;
    StepWrites(StepWrites&&) = delete;
    StepWrites& operator=(StepWrites&&) = delete;
    ~StepWrites() = default;

    /// Asks for `window`, of `pid`, to be activated for the user action at `time`.
    void activate(xcb_window_t window, platform::Pid pid, xcb_timestamp_t time);
    /// The pid of the activation asked for that `active` (the window the window
    /// manager, or the X focus, has now) has not answered yet and that is still
    /// trusted; nullopt when there is none. Only reads.
    [[nodiscard]] std::optional<platform::Pid> unansweredActivation(std::optional<xcb_window_t> active) const;

    /// Where another program's window is believed to be; nullopt when it is gone.
    [[nodiscard]] std::optional<ForeignPlacement> placement(xcb_window_t window);
    /// Moves the client area's corner to root `x`, `y`.
    void moveClient(xcb_window_t window, std::int32_t x, std::int32_t y);
    /// Sizes the client area.
    void resizeClient(xcb_window_t window, std::int32_t width, std::int32_t height);
    void raise(xcb_window_t window);

    /// Has `update` bring one of the program's own windows up to date in the
    /// flush, unless `owner` has expired by then. Asked again for the same
    /// owner before the flush, it runs once.
    void updateOwnWindow(std::weak_ptr<bool> owner, std::function<void()> update);

private:
    struct OwnUpdate {
        std::weak_ptr<bool> owner;
        std::function<void()> update;
    };
    /// Another program's window as far as the writes go: what this step wants
    /// of it, what was sent and the server has not reported yet, and the sent
    /// placement whose outcome tells whether the window manager moves windows at
    /// all. What the server confirmed is the cache's.
    struct ForeignWrites {
        std::optional<ClientMove> wanted;
        std::optional<SentPlacement> sent;
        std::optional<SentPlacement> verdict;
        [[nodiscard]] bool empty() const { return !wanted && !sent && !verdict; }
    };

    /// Sends what waits now, unless an activation waits for its answer.
    void schedule() { flushOnce_.request(); }
    ClientMove* wantedMove(xcb_window_t window);
    void forgetIfEmpty(std::map<xcb_window_t, ForeignWrites>::iterator record);
    /// Whether an activation sent waits for its answer, and so does everything after it.
    [[nodiscard]] bool holding();
    void flush();
    void send(const ActivationRecord& request);
    /// Drops the activation sent once it is answered or no longer trusted.
    void settleActivation();
    /// The server told of a change of `window`: what was sent for it no longer counts.
    void placementReported(xcb_window_t window);
    /// Requests sent long ago that the window manager never carried out, while it never did one.
    void checkLapsedRequests();
    void sendMoves();
    /// Notes a move as sent and, the first time, as awaiting the window manager's verdict; the
    /// window's new placement, or nullopt when the move changes nothing (or the window is gone).
    std::optional<ForeignPlacement> recordMove(xcb_window_t window, const ClientMove& move);
    void sendRaises();
    void updateOwnWindows();
    /// Says once on stderr what this desktop's window manager does not do when
    /// asked: it let a request lapse and never once did such a thing.
    void noteUnanswered(bool done, bool& said, const char* what);

    const Connection& connection_;
    EventLoop& loop_;
    WindowCache& cache_;
    WriteRoute& route_;
    /// The activation waiting to be sent, and the one sent and not yet answered.
    std::optional<ActivationRecord> requested_;
    std::optional<ActivationRecord> unanswered_;
    /// The first activation sent, until the window manager carries it out or lets it lapse.
    std::optional<ActivationRecord> verdictActivation_;
    bool holdingForAnswer_ = false;
    std::map<xcb_window_t, ForeignWrites> windows_;
    std::vector<xcb_window_t> raises_;  // in the order asked: the last one ends on top
    std::vector<OwnUpdate> ownUpdates_;
    // What the window manager was seen to do, and whether its refusal was said.
    bool activatedOnce_ = false;
    bool saidNoActivation_ = false;
    bool movedOnce_ = false;
    bool saidNoMoves_ = false;
    platform::PostOnce flushOnce_{loop_, [this] { flush(); }};
    std::unique_ptr<platform::Timer> holdDeadline_;
    std::unique_ptr<platform::Timer> verdictDeadline_;
    Subscription activeWindowChanged_;
};

}  // namespace corvane::x11
