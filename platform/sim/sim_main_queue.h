#pragma once

#include <deque>
#include <map>
#include <memory>

#include "platform/main_queue.h"

namespace corvane::sim {

/// A main queue with a manual clock: nothing runs until the test says so.
class SimMainQueue final : public platform::MainQueue {
public:
    [[nodiscard]] double now() const override { return now_; }
    void post(Task task) override;
    [[nodiscard]] std::unique_ptr<platform::Timer> scheduleRepeating(double intervalSeconds,
                                                                     Task fire) override;
    [[nodiscard]] std::unique_ptr<platform::Timer> scheduleOnce(double delaySeconds, Task fire) override;

    /// Runs exactly one queued task; false when the queue was empty.
    bool runOne();
    /// Runs tasks until none is queued (a task may queue more). Returns how many ran.
    int runUntilIdle();
    /// Moves the clock forward, firing due timers in time order and running
    /// the queue until idle after each firing.
    void advance(double seconds);
    /// Drops every queued task without running it.
    void discardAll() { tasks_.clear(); }
    [[nodiscard]] std::size_t pendingTasks() const { return tasks_.size(); }
    [[nodiscard]] std::size_t activeTimers() const { return timers_.size(); }

private:
    struct TimerEntry {
        double interval = 0;
        double nextFire = 0;
        Task fire;
        bool repeats = true;
    };
    class SimTimer;

    double now_ = 0;
    std::deque<Task> tasks_;
    std::map<int, TimerEntry> timers_;
    int nextTimerId_ = 1;
};

}  // namespace corvane::sim
