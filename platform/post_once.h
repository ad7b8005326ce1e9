// Runs a task once per turn of the main queue however often it is asked for.
#pragma once

#include <functional>
#include <memory>
#include <utility>

#include "platform/main_queue.h"

namespace corvane::platform {

/// A burst of requests within one turn makes one run, after the turn's other
/// work. Destroying the owner cancels a run not yet made: the posted task holds
/// only a weak token.
class PostOnce {
public:
    PostOnce(MainQueue& queue, std::function<void()> task) : queue_(queue), task_(std::move(task)) {}

    void request() {
        if (*pending_) return;
        *pending_ = true;
        queue_.post([this, token = std::weak_ptr<bool>(pending_)] {
            const auto pending = token.lock();
            if (!pending || !*pending) return;
            *pending = false;
            task_();
        });
    }

    /// Forgets a request not yet run, as when its work was done another way.
    void cancel() { *pending_ = false; }

    [[nodiscard]] bool pending() const { return *pending_; }

private:
    MainQueue& queue_;
    std::function<void()> task_;
    std::shared_ptr<bool> pending_ = std::make_shared<bool>(false);
};

}  // namespace corvane::platform
