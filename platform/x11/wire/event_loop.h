// The main loop: X events, errors, timers and posted work on one thread.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <poll.h>
#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "platform/main_queue.h"
#include "platform/x11/wire/connection.h"

namespace corvane::x11 {

/// A registration with the loop (event handler, error handler)
/// that ends when this object is destroyed. It may outlive the loop.
class Subscription {
public:
    Subscription() = default;
    explicit Subscription(std::shared_ptr<bool> alive) : alive_(std::move(alive)) {}
    Subscription(Subscription&&) noexcept = default;
    Subscription& operator=(Subscription&& other) noexcept {
        cancel();
        alive_ = std::move(other.alive_);
        return *this;
    }
    Subscription(const Subscription&) = delete;
    Subscription& operator=(const Subscription&) = delete;
    ~Subscription() { cancel(); }

    void cancel() {
        if (alive_) *alive_ = false;
        alive_.reset();
    }

private:
    std::shared_ptr<bool> alive_;
};

/// The main thread's loop: X events, posted tasks and timers, waited for with
/// poll(). Everything the program
/// does runs from here.
class EventLoop final : public platform::MainQueue {
public:
    using Clock = std::chrono::steady_clock;
    using EventHandler = std::function<void(const xcb_generic_event_t& event)>;
    /// Returns true when it dealt with the error, which keeps it out of the log.
    using ErrorHandler = std::function<bool(const xcb_generic_error_t& error)>;

    /// Why run() returned.
    enum class Exit { quit, connectionLost };

    explicit EventLoop(Connection& connection);
    ~EventLoop() override;
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;
    EventLoop(EventLoop&&) = delete;
    EventLoop& operator=(EventLoop&&) = delete;

    [[nodiscard]] double now() const override;
    void post(Task task) override;
    [[nodiscard]] std::unique_ptr<platform::Timer> scheduleRepeating(double intervalSeconds,
                                                                     Task fire) override;
    [[nodiscard]] std::unique_ptr<platform::Timer> scheduleOnce(double delaySeconds, Task fire) override;

    /// Calls `handler` for every event of `responseType` (the sent-event bit is ignored).
    [[nodiscard]] Subscription subscribe(std::uint8_t responseType, EventHandler handler);
    /// Shows `handler` every X error that arrives as an event. Errors nobody
    /// claims are logged, except those the request was marked to expect when it
    /// was sent (Connection::onForeignWindow, Connection::expectErrors).
    [[nodiscard]] Subscription subscribeErrors(ErrorHandler handler);

    /// Runs until quit() is called or the X connection is lost.
    Exit run();
    /// Makes run(), runFor() and runUntil() return after the current step.
    void quit();
    /// Runs for `seconds` (for tests and tools); false when the connection was lost.
    bool runFor(double seconds);
    /// Runs until `done()` holds (true) or `timeoutSeconds` pass or the connection is lost
    /// (false). `done()` is checked after every turn and at least every 10 ms, so it may
    /// also watch what other programs do.
    bool runUntil(const std::function<bool()>& done, double timeoutSeconds);

    /// For a loop driven by another program loop (Qt's) instead of run(): handles the
    /// events, due timers and tasks that are ready now, without waiting, and flushes.
    /// The socket is read only when `socketReadable` (the driver saw it readable);
    /// events xcb already holds are handled either way. True when more is ready
    /// already (events xcb read while waiting for a reply, or tasks posted
    /// meanwhile): call again before sleeping.
    bool dispatchPending(bool socketReadable);
    /// Milliseconds until the next timer is due (0 when overdue); -1 when there is none.
    [[nodiscard]] int millisecondsUntilNextTimer() const;

    [[nodiscard]] bool connectionLost() const { return connection_.broken(); }
    /// Time of the latest key or button event the loop saw; XCB_CURRENT_TIME before any.
    [[nodiscard]] xcb_timestamp_t lastUserTime() const { return lastUserTime_; }

private:
    struct EventEntry;
    struct ErrorEntry;
    struct TimerEntry;
    class LoopTimer;

    /// Handles what is ready now: X events, due timers, the tasks queued so far.
    void processReady();
    void dispatchAvailableEvents();
    void dispatch(const xcb_generic_event_t& event);
    void dispatchError(const xcb_generic_error_t& error);
    void fireDueTimers();
    void runQueuedTasks();
    /// Sleeps until something is ready, `deadline` passes or the next timer is due.
    void wait(Clock::time_point deadline);
    [[nodiscard]] int pollTimeoutMilliseconds(Clock::time_point deadline) const;
    void prune();

    Connection& connection_;
    std::deque<Task> tasks_;
    std::vector<std::shared_ptr<EventEntry>> eventHandlers_;
    std::vector<std::shared_ptr<ErrorEntry>> errorHandlers_;
    std::vector<std::shared_ptr<TimerEntry>> timers_;
    /// An event xcb read while we were waiting for a reply; dispatched on the next turn.
    EventPtr queuedEvent_;
    /// Whether the last wait found the socket readable: otherwise reading it would
    /// only cost a system call that finds nothing.
    bool socketReadable_ = true;
    xcb_timestamp_t lastUserTime_ = XCB_CURRENT_TIME;
    bool quitRequested_ = false;
};

}  // namespace corvane::x11
