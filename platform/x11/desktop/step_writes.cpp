#include "platform/x11/desktop/step_writes.h"

#include <algorithm>
#include <cstdio>
#include <string>

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

StepWrites::StepWrites(const Connection& connection, EventLoop& loop, WindowCache& cache, WriteRoute& route)
    : connection_(connection), loop_(loop), cache_(cache), route_(route) {
    activeWindowChanged_ = loop_.subscribe(XCB_PROPERTY_NOTIFY, [this](const xcb_generic_event_t& event) {
        const auto& notify = as<xcb_property_notify_event_t>(event);
        // The answer may release what waits and settles the record: look once this turn's events are in.
        if (notify.window == connection_.root() && notify.atom == connection_.atoms().netActiveWindow &&
            (unanswered_ || verdictActivation_)) {
            schedule();
        }
    });
    cache_.onPlacementChanged([this](xcb_window_t window) { placementReported(window); });
}

// 1 and 2: the activation ------------------------------------------------------

void StepWrites::activate(xcb_window_t window, platform::Pid pid, xcb_timestamp_t time) {
    // The latest request is the one that counts: one a player's quicker key replaced goes nowhere.
    requested_ = ActivationRecord{window, pid, time, 0};
    if (!holding()) {
        send(*requested_);
        requested_.reset();
    }
    schedule();
}

void StepWrites::send(const ActivationRecord& request) {
    settleActivation();
    // Already active: asked again, the window manager would hand the game the
    // focus once more, racing the next activation. Nothing to wait for.
    // Without a window manager the activation is done, not asked for: nothing will answer.
    const bool answered = route_.activations() != WriteRoute::Way::direct;
    if (answered && !unanswered_ && cache_.activeWindow() == request.window) return;
    route_.activate(request.window, request.time);
    connection_.flush();  // the one write that does not wait for the step's end
    unanswered_ = request;
    unanswered_->sentAt = loop_.now();
    holdingForAnswer_ = answered;
    if (answered && !activatedOnce_ && !saidNoActivation_ && !verdictActivation_) {
        verdictActivation_ = unanswered_;
        verdictDeadline_ = loop_.scheduleOnce(kVerdictDelay, [this] { schedule(); });
    }
}

bool StepWrites::holding() {
    if (!holdingForAnswer_ || !unanswered_) return false;
    if (unanswered_->answeredBy(cache_.activeWindow()) || !unanswered_->holdsWritesAt(loop_.now())) {
        holdingForAnswer_ = false;
    }
    return holdingForAnswer_;
}

void StepWrites::settleActivation() {
    if (!unanswered_) return;
    const bool answered = cache_.windowManagerPresent() && unanswered_->answeredBy(cache_.activeWindow());
    if (answered || !unanswered_->trustedAt(loop_.now())) unanswered_.reset();
}

std::optional<platform::Pid> StepWrites::unansweredActivation(std::optional<xcb_window_t> active) const {
    if (requested_) return requested_->pid;
    if (!unanswered_) return std::nullopt;
    // The window manager has the last word once it answers, refuses or the game is gone.
    const bool refused = !unanswered_->trustedAt(loop_.now()) || !cache_.listed(unanswered_->window);
    if (unanswered_->answeredBy(active) || refused) return std::nullopt;
    return unanswered_->pid;
}

// 3 and 4: other programs' windows --------------------------------------------

std::optional<ForeignPlacement> StepWrites::placement(xcb_window_t window) {
    const auto record = windows_.find(window);
    // The idle tick's case: nothing sent or asked for, the server's word holds, and no clock is read.
    if (record == windows_.end() || (!record->second.wanted && !record->second.sent)) {
        return cache_.placement(window);
    }
    ForeignWrites& writes = record->second;
    const double now = loop_.now();
    if (writes.sent && now >= writes.sent->until) {
        writes.sent.reset();  // not done after all: what the server said last holds
    }
    const auto believed = believedPlacement(cache_.placement(window), writes.sent ? &*writes.sent : nullptr,
                                            now, writes.wanted ? &*writes.wanted : nullptr);
    forgetIfEmpty(record);
    return believed;
}

void StepWrites::forgetIfEmpty(std::map<xcb_window_t, ForeignWrites>::iterator record) {
    if (record->second.empty()) windows_.erase(record);
}

ClientMove* StepWrites::wantedMove(xcb_window_t window) {
    const auto current = cache_.placement(window);
    if (!current) return nullptr;  // gone: nothing to move
    auto& wanted = windows_[window].wanted;
    if (!wanted) wanted.emplace();
    wanted->border = current->border;
    schedule();
    return &*wanted;
}

void StepWrites::moveClient(xcb_window_t window, std::int32_t x, std::int32_t y) {
    if (auto* move = wantedMove(window)) {
        move->x = x;
        move->y = y;
    }
}

void StepWrites::resizeClient(xcb_window_t window, std::int32_t width, std::int32_t height) {
    if (auto* move = wantedMove(window)) {
        move->width = width;
        move->height = height;
    }
}

void StepWrites::raise(xcb_window_t window) {
    raises_.push_back(window);
    schedule();
}

void StepWrites::placementReported(xcb_window_t window) {
    const auto record = windows_.find(window);
    if (record == windows_.end()) return;
    ForeignWrites& writes = record->second;
    writes.sent.reset();  // the server's word holds from now on
    // A window manager that leaves the window where it was says so too (a
    // synthetic ConfigureNotify): only a frame where it was sent is a move done.
    if (writes.verdict) {
        const auto now = cache_.placement(window);
        if (now && now->frame == writes.verdict->placement.frame) {
            movedOnce_ = true;
            writes.verdict.reset();
        }
    }
    forgetIfEmpty(record);
}

void StepWrites::checkLapsedRequests() {
    const double now = loop_.now();
    if (verdictActivation_ && verdictActivation_->answeredBy(cache_.activeWindow())) {
        activatedOnce_ = true;
        verdictActivation_.reset();
    } else if (verdictActivation_ && now >= verdictActivation_->sentAt + kVerdictDelay) {
        verdictActivation_.reset();
        noteUnanswered(activatedOnce_, saidNoActivation_, kNoActivation);
    }
    for (auto it = windows_.begin(); it != windows_.end();) {
        auto& verdict = it->second.verdict;
        if (verdict && now >= verdict->until) {
            verdict.reset();
            noteUnanswered(movedOnce_, saidNoMoves_, kNoMoves);
        }
        it = it->second.empty() ? windows_.erase(it) : std::next(it);
    }
}

std::optional<ForeignPlacement> StepWrites::recordMove(xcb_window_t window, const ClientMove& move) {
    const auto before = placement(window);
    if (!before) return std::nullopt;
    const ForeignPlacement after = placed(*before, move);
    // Only what changes: a window manager need not report a frame it left as it was.
    if (after == *before) return std::nullopt;
    ForeignWrites& writes = windows_[window];
    const double now = loop_.now();
    writes.sent = SentPlacement{after, now + kPlacementPatience};
    if (!movedOnce_ && !saidNoMoves_) {
        writes.verdict = SentPlacement{after, now + kVerdictDelay};
        verdictDeadline_ = loop_.scheduleOnce(kVerdictDelay, [this] { schedule(); });
    }
    return after;
}

void StepWrites::sendMoves() {
    std::vector<std::pair<xcb_window_t, ClientMove>> wanted;
    for (auto& entry : windows_) {
        std::optional<ClientMove>& move = entry.second.wanted;
        if (move.has_value()) wanted.emplace_back(entry.first, move.value());
        move.reset();
    }
    std::vector<WriteRoute::Move> moves;
    for (const auto& [window, move] : wanted) {
        const auto after = recordMove(window, move);
        if (after.has_value()) moves.push_back({window, move, after.value()});
    }
    if (!moves.empty()) route_.move(moves);
}

void StepWrites::sendRaises() {
    for (const xcb_window_t window : std::exchange(raises_, {})) route_.raise(window);
}

// 5: the program's own windows ------------------------------------------------

void StepWrites::updateOwnWindow(std::weak_ptr<bool> owner, std::function<void()> update) {
    const auto sameOwner = [&owner](const OwnUpdate& queued) {
        return !queued.owner.owner_before(owner) && !owner.owner_before(queued.owner);
    };
    if (std::any_of(ownUpdates_.begin(), ownUpdates_.end(), sameOwner)) return;
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

void StepWrites::flush() {
    if (requested_ && !holding()) {
        send(*requested_);
        requested_.reset();
    }
    if (holding() && unanswered_) {
        // Resumed by the answer, or at the deadline.
        const double wait = unanswered_->sentAt + ActivationRecord::kHoldForAnswer - loop_.now();
        holdDeadline_ = loop_.scheduleOnce(wait, [this] { flush(); });
        return;
    }
    holdDeadline_.reset();
    settleActivation();
    checkLapsedRequests();
    sendMoves();
    sendRaises();
    updateOwnWindows();
    connection_.flush();
}

}  // namespace corvane::x11
