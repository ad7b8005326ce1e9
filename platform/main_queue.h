#pragma once

#include <functional>
#include <memory>

namespace corvane::platform {

/// A timer; destroying it cancels it.
class Timer {
public:
    virtual ~Timer() = default;
};

/// The main thread's queue of tasks. Everything the program does runs there.
class MainQueue {
public:
    using Task = std::function<void()>;
    virtual ~MainQueue() = default;

    /// Seconds on a monotonic clock.
    [[nodiscard]] virtual double now() const = 0;
    /// Runs `task` later, as a step of its own, after the steps already queued.
    virtual void post(Task task) = 0;
    /// Calls `fire` every `intervalSeconds` on the main thread until the
    /// returned timer is destroyed.
    [[nodiscard]] virtual std::unique_ptr<Timer> scheduleRepeating(double intervalSeconds, Task fire) = 0;
    /// Calls `fire` once, `delaySeconds` from now, unless the returned timer
    /// is destroyed first.
    [[nodiscard]] virtual std::unique_ptr<Timer> scheduleOnce(double delaySeconds, Task fire) = 0;
};

}  // namespace corvane::platform
