#include "platform/sim/sim_main_queue.h"

#include <limits>
#include <stdexcept>

namespace corvane::sim {

namespace {
// A test whose tasks keep queueing tasks forever is a bug; stop it loudly.
constexpr int kMaxTasksPerRun = 100000;
}  // namespace

class SimMainQueue::SimTimer final : public platform::Timer {
public:
    SimTimer(SimMainQueue& queue, int id) : queue_(queue), id_(id) {}
    ~SimTimer() override { queue_.timers_.erase(id_); }
    SimTimer(const SimTimer&) = delete;
    SimTimer& operator=(const SimTimer&) = delete;
    SimTimer(SimTimer&&) = delete;
    SimTimer& operator=(SimTimer&&) = delete;

private:
    SimMainQueue& queue_;
    int id_;
};

void SimMainQueue::post(Task task) {
    tasks_.push_back(std::move(task));
}

std::unique_ptr<platform::Timer> SimMainQueue::scheduleRepeating(double intervalSeconds, Task fire) {
    const int id = nextTimerId_++;
    timers_[id] = TimerEntry{intervalSeconds, now_ + intervalSeconds, std::move(fire), true};
    return std::make_unique<SimTimer>(*this, id);
}

std::unique_ptr<platform::Timer> SimMainQueue::scheduleOnce(double delaySeconds, Task fire) {
    const int id = nextTimerId_++;
    timers_[id] = TimerEntry{delaySeconds, now_ + delaySeconds, std::move(fire), false};
    return std::make_unique<SimTimer>(*this, id);
}

bool SimMainQueue::runOne() {
    if (tasks_.empty()) return false;
    Task task = std::move(tasks_.front());
    tasks_.pop_front();
    task();
    return true;
}

int SimMainQueue::runUntilIdle() {
    int ran = 0;
    while (runOne()) {
        if (++ran > kMaxTasksPerRun) throw std::runtime_error("main queue never becomes idle");
    }
    return ran;
}

void SimMainQueue::advance(double seconds) {
    const double end = now_ + seconds;
    runUntilIdle();
    for (;;) {
        int dueId = 0;
        double dueAt = std::numeric_limits<double>::infinity();
        for (const auto& [id, entry] : timers_) {
            if (entry.nextFire < dueAt) {
                dueAt = entry.nextFire;
                dueId = id;
            }
        }
        if (dueId == 0 || dueAt > end) break;
        now_ = dueAt;
        auto& entry = timers_.at(dueId);
        entry.nextFire += entry.interval;
        Task fire = entry.fire;                    // the firing may destroy the timer
        if (!entry.repeats) timers_.erase(dueId);  // its handle's erase then finds nothing
        fire();
        runUntilIdle();
    }
    now_ = end;
}

}  // namespace corvane::sim
