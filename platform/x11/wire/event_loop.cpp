#include "platform/x11/wire/event_loop.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

#include "platform/x11/wire/error_names.h"
#include "platform/x11/wire/events.h"

namespace corvane::x11 {

namespace {

using Duration = std::chrono::duration<double>;

constexpr std::chrono::milliseconds kPredicatePollInterval{10};

/// The time stamp of a user action, or nothing for other events.
std::optional<xcb_timestamp_t> userTime(const xcb_generic_event_t& event) {
    switch (eventType(event)) {
        case XCB_KEY_PRESS:
        case XCB_KEY_RELEASE:
            return as<xcb_key_press_event_t>(event).time;
        case XCB_BUTTON_PRESS:
        case XCB_BUTTON_RELEASE:
            return as<xcb_button_press_event_t>(event).time;
        default:
            return std::nullopt;
    }
}

template <typename Entry>
void dropDead(std::vector<std::shared_ptr<Entry>>& entries) {
    std::erase_if(entries, [](const auto& entry) { return !*entry->alive; });
}

}  // namespace

struct EventLoop::EventEntry {
    std::shared_ptr<bool> alive;
    std::uint8_t type = 0;
    EventHandler handler;
};

struct EventLoop::ErrorEntry {
    std::shared_ptr<bool> alive;
    ErrorHandler handler;
};

struct EventLoop::TimerEntry {
    std::shared_ptr<bool> alive;
    Clock::duration interval{};
    Clock::time_point next;
    Task fire;
    bool repeats = true;
};

class EventLoop::LoopTimer final : public platform::Timer {
public:
    explicit LoopTimer(std::shared_ptr<bool> alive) : subscription_(std::move(alive)) {}

private:
    Subscription subscription_;
};

EventLoop::EventLoop(Connection& connection) : connection_(connection) {}

EventLoop::~EventLoop() = default;

double EventLoop::now() const {
    return std::chrono::duration_cast<Duration>(Clock::now().time_since_epoch()).count();
}

void EventLoop::post(Task task) {
    tasks_.push_back(std::move(task));
}

std::unique_ptr<platform::Timer> EventLoop::scheduleRepeating(double intervalSeconds, Task fire) {
    auto alive = std::make_shared<bool>(true);
    const auto interval =
        std::chrono::duration_cast<Clock::duration>(Duration(std::max(intervalSeconds, 0.001)));
    timers_.push_back(std::make_shared<TimerEntry>(
        TimerEntry{alive, interval, Clock::now() + interval, std::move(fire), true}));
    return std::make_unique<LoopTimer>(std::move(alive));
}

std::unique_ptr<platform::Timer> EventLoop::scheduleOnce(double delaySeconds, Task fire) {
    auto alive = std::make_shared<bool>(true);
    const auto delay = std::chrono::duration_cast<Clock::duration>(Duration(std::max(delaySeconds, 0.0)));
    timers_.push_back(
        std::make_shared<TimerEntry>(TimerEntry{alive, delay, Clock::now() + delay, std::move(fire), false}));
    return std::make_unique<LoopTimer>(std::move(alive));
}

Subscription EventLoop::subscribe(std::uint8_t responseType, EventHandler handler) {
    auto alive = std::make_shared<bool>(true);
    eventHandlers_.push_back(std::make_shared<EventEntry>(
        EventEntry{alive, static_cast<std::uint8_t>(responseType & ~0x80U), std::move(handler)}));
    return Subscription(std::move(alive));
}

Subscription EventLoop::subscribeErrors(ErrorHandler handler) {
    auto alive = std::make_shared<bool>(true);
    errorHandlers_.push_back(std::make_shared<ErrorEntry>(ErrorEntry{alive, std::move(handler)}));
    return Subscription(std::move(alive));
}

EventLoop::Exit EventLoop::run() {
    quitRequested_ = false;
    while (true) {
        processReady();
        if (quitRequested_ || connectionLost()) break;
        wait(Clock::time_point::max());
    }
    return connectionLost() ? Exit::connectionLost : Exit::quit;
}

void EventLoop::quit() {
    quitRequested_ = true;
}

bool EventLoop::runFor(double seconds) {
    runUntil([] { return false; }, seconds);
    return !connectionLost();
}

bool EventLoop::runUntil(const std::function<bool()>& done, double timeoutSeconds) {
    quitRequested_ = false;
    const auto deadline =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(Duration(timeoutSeconds));
    while (true) {
        processReady();
        if (done()) return true;
        if (quitRequested_ || connectionLost() || Clock::now() >= deadline) return false;
        wait(std::min(deadline, Clock::now() + kPredicatePollInterval));
    }
}

void EventLoop::processReady() {
    prune();
    dispatchAvailableEvents();
    fireDueTimers();
    runQueuedTasks();
}

bool EventLoop::dispatchPending(bool socketReadable) {
    socketReadable_ = socketReadable;
    processReady();
    connection_.flush();
    if (!queuedEvent_) queuedEvent_.reset(xcb_poll_for_queued_event(connection_.get()));
    return queuedEvent_ != nullptr || !tasks_.empty();
}

int EventLoop::millisecondsUntilNextTimer() const {
    auto wake = Clock::time_point::max();
    for (const auto& timer : timers_) {
        if (*timer->alive) wake = std::min(wake, timer->next);
    }
    if (wake == Clock::time_point::max()) return -1;
    const auto current = Clock::now();
    if (wake <= current) return 0;
    const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(wake - current).count();
    return static_cast<int>(std::min<long long>(milliseconds, std::numeric_limits<int>::max()));
}

void EventLoop::dispatchAvailableEvents() {
    if (queuedEvent_) {
        const EventPtr event = std::move(queuedEvent_);
        dispatch(*event);
    }
    if (socketReadable_) {
        // One read takes what the socket holds up to xcb's buffer; more makes the next wait return at once.
        socketReadable_ = false;
        if (EventPtr event{xcb_poll_for_event(connection_.get())}) dispatch(*event);
    }
    while (EventPtr event{xcb_poll_for_queued_event(connection_.get())}) dispatch(*event);
}

void EventLoop::dispatch(const xcb_generic_event_t& event) {
    // Whatever arrives now, the server is done with the requests before it.
    connection_.completedBefore(event.full_sequence);
    if (event.response_type == 0) {
        dispatchError(reinterpret_cast<const xcb_generic_error_t&>(event));
        return;
    }
    if (const auto time = userTime(event)) lastUserTime_ = *time;
    const std::uint8_t type = eventType(event);
    std::vector<std::shared_ptr<EventEntry>> matching;
    for (const auto& entry : eventHandlers_) {
        if (entry->type == type && *entry->alive) matching.push_back(entry);
    }
    // A handler may cancel another's subscription: check again before each call.
    for (const auto& entry : matching) {
        if (*entry->alive) entry->handler(event);
    }
}

void EventLoop::dispatchError(const xcb_generic_error_t& error) {
    const auto handlers = errorHandlers_;
    for (const auto& entry : handlers) {
        if (*entry->alive && entry->handler(error)) return;
    }
    const auto verdict = connection_.judge(error);
    if (verdict.expected) return;
    std::string line = "corvane: X error " + describeError(error, connection_.extensions());
    if (verdict.site) {
        const std::string_view file = verdict.site->file_name();
        line.append(", sent from ")
            .append(file.substr(file.find_last_of('/') + 1))
            .append(":")
            .append(std::to_string(verdict.site->line()));
    }
    std::fprintf(stderr, "%s\n", line.c_str());
#ifndef NDEBUG
    // The program's own window must be there: a debug build stops where the fault shows.
    if (verdict.fault) std::abort();
#endif
}

void EventLoop::fireDueTimers() {
    const auto current = Clock::now();
    std::vector<std::shared_ptr<TimerEntry>> due;
    for (const auto& timer : timers_) {
        if (*timer->alive && timer->next <= current) due.push_back(timer);
    }
    for (const auto& timer : due) {
        // After a long stall fire once and start afresh, instead of catching up in a burst.
        timer->next += timer->interval;
        if (timer->next <= current) timer->next = current + timer->interval;
        if (!*timer->alive) continue;
        if (!timer->repeats) *timer->alive = false;  // its owner's handle outlives it harmlessly
        timer->fire();
    }
}

void EventLoop::runQueuedTasks() {
    // Tasks posted by these tasks wait for the next turn, after the X events that came meanwhile.
    for (std::size_t count = tasks_.size(); count > 0 && !tasks_.empty(); --count) {
        Task task = std::move(tasks_.front());
        tasks_.pop_front();
        task();
    }
}

void EventLoop::wait(Clock::time_point deadline) {
    connection_.flush();
    // Replies waited for during this turn may have pulled events off the socket already.
    queuedEvent_.reset(xcb_poll_for_queued_event(connection_.get()));
    if (queuedEvent_) return;

    constexpr short kReadable = POLLIN | POLLHUP | POLLERR;
    pollfd socket{connection_.fileDescriptor(), POLLIN, 0};
    const int ready = ::poll(&socket, 1, pollTimeoutMilliseconds(deadline));
    // EINTR: the next turn looks again.
    socketReadable_ = ready < 0 || (socket.revents & kReadable) != 0;
}

int EventLoop::pollTimeoutMilliseconds(Clock::time_point deadline) const {
    if (!tasks_.empty()) return 0;
    const int timer = millisecondsUntilNextTimer();
    if (deadline == Clock::time_point::max()) return timer;
    const auto current = Clock::now();
    if (deadline <= current) return 0;
    // Round up: waking a little early would only spin once more.
    const auto untilDeadline = std::chrono::ceil<std::chrono::milliseconds>(deadline - current).count();
    const int limit = static_cast<int>(std::min<long long>(untilDeadline, std::numeric_limits<int>::max()));
    return timer < 0 ? limit : std::min(timer, limit);
}

void EventLoop::prune() {
    dropDead(eventHandlers_);
    dropDead(errorHandlers_);
    dropDead(timers_);
}

}  // namespace corvane::x11
