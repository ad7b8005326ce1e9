#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "corvane/controller/problem.h"
#include "platform/main_queue.h"
#include "platform/platform_texts.h"
#include "platform/post_once.h"
#include "platform/workspace.h"

namespace corvane {

class Controller;

/// Tells the user on the terminal each problem the panel shows, in the same
/// words, once when it appears (and again for another key that fails).
/// Verbose, it also reports games found and lost and each switch. Says
/// nothing while all is well.
class StatusReporter {
public:
    using Print = std::function<void(const std::string& line)>;

    /// Reports the controller's state now, then after every change of it.
    StatusReporter(const std::shared_ptr<Controller>& controller, platform::PlatformTexts texts,
                   platform::MainQueue& queue, bool verbose, Print print);
    ~StatusReporter();
    StatusReporter(const StatusReporter&) = delete;
    StatusReporter& operator=(const StatusReporter&) = delete;
    StatusReporter(StatusReporter&&) = delete;
    StatusReporter& operator=(StatusReporter&&) = delete;

private:
    /// The controller tells before it stores a value: look on the next turn.
    void scheduleCheck();
    void check();
    void checkProblems(const Controller& controller);
    void checkClients(const Controller& controller);
    void checkActive(const Controller& controller);

    std::weak_ptr<Controller> controller_;
    platform::PlatformTexts texts_;
    platform::MainQueue& queue_;
    bool verbose_;
    Print print_;
    int token_ = 0;
    platform::PostOnce checkOnce_{queue_, [this] { check(); }};

    // What was last reported.
    std::vector<std::string> problems_;
    std::vector<platform::Pid> clients_;
    std::optional<platform::Pid> active_;
};

}  // namespace corvane
