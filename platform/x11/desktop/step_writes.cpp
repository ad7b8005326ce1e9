#include "platform/x11/desktop/step_writes.h"

#include <cstdio>
#include <string>

#include "platform/x11/desktop/foreign_requests.h"
#include "platform/x11/wire/events.h"

namespace corvane::x11 {

namespace {
constexpr const char* kNoMoves = "moves no window it is asked to: the games cannot be arranged here";
constexpr const char* kNoActivation =
    "activates no window it is asked to: the switch and jump keys, \"Focus\" and a click on a preview "
    "cannot bring a game to the front here";
/// How long a request may take before a window manager that never did one counts as not doing it.
constexpr double kVerdictDelay = 2.0;
}  // namespace

StepWrites::StepWrites(const Connection& connection, EventLoop& loop, WindowCache& cache, SwayIpc* sway)
    : connection_(connection), loop_(loop), cache_(cache), sway_(sway) {
    activeWindowChanged_ = loop_.subscribe(XCB_PROPERTY_NOTIFY, [this](const xcb_generic_event_t& event) {
        const auto& notify = as<xcb_property_notify_event_t>(event);
        // The answer may release what waits: look once this turn's events are in.
        if (notify.window == connection_.root() && notify.atom == connection_.atoms().netActiveWindow &&
            holdingForAnswer_) {
            schedule();
        }
    });
    cache_.onPlacementChanged([this](xcb_window_t window) { placementReported(window); });
}

// 1 and 2: the activation ------------------------------------------------------

void StepWrites::activate(xcb_window_t window, platform::Pid pid, xcb_timestamp_t time) {
    // The latest request is the one that counts: one a player's quicker key replaced goes nowhere.
    requested_ = Request{window, pid, time};
    if (!holding()) {
        send(*requested_);
        requested_.reset();
    }
    schedule();
}

void StepWrites::send(const Request& request) {
    if (!cache_.windowManagerPresent()) {
        activateWithoutWindowManager(connection_, request.window, request.time);
        connection_.flush();
        unanswered_ = ActivationRecord{request.window, request.pid, loop_.now()};
        holdingForAnswer_ = false;  // nothing will answer
        return;
    }
    // Already active: asked again, the window manager would hand the game the
    // focus once more, racing the next activation. Nothing to wait for.
    if (!unanswered_ && cache_.activeWindow() == request.window) return;
    // sway only marks a window urgent when an X client asks to activate it.
    if (sway_ == nullptr || !sway_->run(SwayIpc::windowCriteria(request.window) + " focus")) {
        requestActivation(connection_, request.window, request.time);
        connection_.flush();
    }
    if (!activatedOnce_ && !saidNoActivation_) {
        awaitedActivation_ = AwaitedActivation{request.window, loop_.now() + kVerdictDelay};
    }
    unanswered_ = ActivationRecord{request.window, request.pid, loop_.now()};
    holdingForAnswer_ = true;
}

bool StepWrites::holding() {
    if (!holdingForAnswer_ || !unanswered_) return false;
    if (unanswered_->answeredBy(cache_.activeWindow()) || !unanswered_->holdsWritesAt(loop_.now())) {
        holdingForAnswer_ = false;
    }
    return holdingForAnswer_;
}

std::optional<platform::Pid> StepWrites::unansweredActivation(std::optional<xcb_window_t> active) {
    checkLapsedRequests(active);  // asked on every tick: a good time to look
    if (requested_) return requested_->pid;
    if (!unanswered_) return std::nullopt;
    const bool refused = !unanswered_->trustedAt(loop_.now()) || !cache_.listed(unanswered_->window);
    if (unanswered_->answeredBy(active) || refused) {
        unanswered_.reset();  // the window manager has the last word
        return std::nullopt;
    }
    return unanswered_->pid;
}

// 3 and 4: other programs' windows --------------------------------------------

std::optional<ForeignPlacement> StepWrites::placement(xcb_window_t window) {
    const auto sent = sent_.find(window);
    const auto pending = moves_.find(window);
    // The idle tick's case: nothing sent or asked for, the server's word holds, and no clock is read.
    if (sent == sent_.end() && pending == moves_.end()) return cache_.placement(window);
    const double now = loop_.now();
    const SentPlacement* stillSent = nullptr;
    if (sent != sent_.end()) {
        if (now < sent->second.until) {
            stillSent = &sent->second;
        } else {
            sent_.erase(sent);  // not done after all: what the server said last holds
        }
    }
    return believedPlacement(cache_.placement(window), stillSent, now,
                             pending != moves_.end() ? &pending->second : nullptr);
}

ClientMove* StepWrites::pendingMove(xcb_window_t window) {
    const auto current = cache_.placement(window);
    if (!current) return nullptr;  // gone: nothing to move
    ClientMove& move = moves_[window];
    move.border = current->border;
    schedule();
    return &move;
}

void StepWrites::moveClient(xcb_window_t window, std::int32_t x, std::int32_t y) {
    if (auto* move = pendingMove(window)) {
        move->x = x;
        move->y = y;
    }
}

void StepWrites::resizeClient(xcb_window_t window, std::int32_t width, std::int32_t height) {
    if (auto* move = pendingMove(window)) {
        move->width = width;
        move->height = height;
    }
}

void StepWrites::raise(xcb_window_t window) {
    raises_.push_back(window);
    schedule();
}

void StepWrites::placementReported(xcb_window_t window) {
    sent_.erase(window);  // the server's word holds from now on
    const auto awaited = awaiting_.find(window);
    if (awaited == awaiting_.end()) return;
    // A window manager that leaves the window where it was says so too (a
    // synthetic ConfigureNotify): only a frame where it was sent is a move done.
    const auto now = cache_.placement(window);
    if (now && now->frame == awaited->second.placement.frame) {
        movedOnce_ = true;
        awaiting_.erase(awaited);
    }
}

void StepWrites::checkLapsedRequests(std::optional<xcb_window_t> active) {
    if (!awaitedActivation_ && awaiting_.empty()) return;  // the usual tick: no clock read
    const double now = loop_.now();
    if (awaitedActivation_ && awaitedActivation_->window == active) {
        activatedOnce_ = true;
        awaitedActivation_.reset();
    } else if (awaitedActivation_ && now >= awaitedActivation_->until) {
        awaitedActivation_.reset();
        noteUnanswered(activatedOnce_, saidNoActivation_, kNoActivation);
    }
    for (auto it = awaiting_.begin(); it != awaiting_.end();) {
        if (now < it->second.until) {
            ++it;
            continue;
        }
        it = awaiting_.erase(it);
        noteUnanswered(movedOnce_, saidNoMoves_, kNoMoves);
    }
}

std::optional<ForeignPlacement> StepWrites::recordMove(xcb_window_t window, const ClientMove& move) {
    const auto before = placement(window);
    if (!before) return std::nullopt;
    const ForeignPlacement after = placed(*before, move);
    // Only what changes: a window manager need not report a frame it left as it was.
    if (after == *before) return std::nullopt;
    sent_[window] = SentPlacement{after, loop_.now() + kPlacementPatience};
    if (!movedOnce_ && !saidNoMoves_) awaiting_[window] = {after, loop_.now() + kVerdictDelay};
    return after;
}

void StepWrites::sendMovesToSway(const std::map<xcb_window_t, ClientMove>& moves) {
    std::string commands;
    for (const auto& [window, move] : moves) {
        const auto changed = recordMove(window, move);
        if (!changed) continue;
        const ForeignPlacement& after = *changed;
        const auto& decoration = after.decoration;
        const auto whole = [](double value) { return static_cast<long>(value); };
        if (!commands.empty()) commands += "; ";
        commands += SwayIpc::placeCommand(
            window, whole(after.frame.x + decoration.left), whole(after.frame.y + decoration.top),
            whole(after.frame.width - decoration.left - decoration.right),
            whole(after.frame.height - decoration.top - decoration.bottom), false);
    }
    if (!commands.empty()) sway_->run(commands);
}

void StepWrites::sendMoves() {
    if (sway_ != nullptr) {
        sendMovesToSway(std::exchange(moves_, {}));
        return;
    }
    // Where the window manager does not take _NET_MOVERESIZE_WINDOW (sway's and
    // weston's), a configure request is what ICCCM gives every client.
    const bool windowManager = cache_.windowManagerPresent() &&
                               cache_.windowManagerSupports(connection_.atoms().netMoveresizeWindow);
    auto moves = std::exchange(moves_, {});
    for (const auto& [window, move] : moves) {
        if (!recordMove(window, move)) continue;
        if (windowManager) {
            requestMoveResize(connection_, window, move);
        } else {
            configureClient(connection_, window, move);
        }
    }
}

void StepWrites::sendRaises() {
    // A reparenting window manager stacks frames, not clients: ask it where it can.
    const bool throughWindowManager =
        cache_.windowManagerPresent() && cache_.windowManagerSupports(connection_.atoms().netRestackWindow);
    for (const xcb_window_t window : std::exchange(raises_, {})) {
        if (throughWindowManager) {
            requestRaise(connection_, window);
        } else {
            raiseToTop(connection_, window);
        }
    }
}

// 5: the program's own windows ------------------------------------------------

void StepWrites::updateOwnWindow(std::weak_ptr<bool> owner, std::function<void()> update) {
    ownUpdates_.push_back({std::move(owner), std::move(update)});
    schedule();
}

void StepWrites::updateOwnWindows() {
    // An update may ask for another: that one waits for the next flush.
    for (auto& [owner, update] : std::exchange(ownUpdates_, {})) {
        if (!owner.expired()) update();
    }
}

void StepWrites::noteUnanswered(bool done, bool& said, const char* what) {
    if (done || said) return;
    said = true;
    std::string manager = cache_.windowManagerName();
    if (manager.empty()) manager = "the window manager";
    std::fprintf(stderr, "corvane: this desktop's window manager (%s) %s\n", manager.c_str(), what);
}

// The flush ---------------------------------------------------------------------

void StepWrites::schedule() {
    if (flushPosted_) return;
    flushPosted_ = true;
    loop_.post([this, alive = std::weak_ptr<bool>(lifetime_)] {
        if (alive.lock()) flush();
    });
}

void StepWrites::flush() {
    flushPosted_ = false;
    if (requested_ && !holding()) {
        send(*requested_);
        requested_.reset();
    }
    if (holding()) {
        // Resumed by the answer, or at the deadline.
        const double wait = unanswered_->sentAt + ActivationRecord::kHoldForAnswer - loop_.now();
        holdDeadline_ = loop_.scheduleOnce(wait, [this] { flush(); });
        return;
    }
    holdDeadline_.reset();
    checkLapsedRequests(cache_.activeWindow());
    sendMoves();
    sendRaises();
    updateOwnWindows();
    connection_.flush();
}

}  // namespace corvane::x11
