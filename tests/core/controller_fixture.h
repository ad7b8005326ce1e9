#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "corvane/controller/controller.h"
#include "platform/sim/sim_desktop.h"
#include "print_helpers.h"

namespace corvane::testing {

/// A simulated desktop and a controller on it, built on demand so each test
/// can set the desktop up first.
class ControllerTest : public ::testing::Test {
protected:
    sim::SimDesktop desk;
    std::shared_ptr<Controller> controller;

    Controller& start() {
        controller = Controller::create(desk.platform());
        return *controller;
    }

    /// A game with one window; returns the window.
    platform::WindowRef addGame(platform::Pid pid, double launch, platform::Rect frame = {10, 10, 800, 600}) {
        desk.addGame(pid, launch);
        return desk.addWindow(pid, frame);
    }

    /// One timer period: the firing queues a tick, which then runs.
    void tickOnce() { desk.queue().advance(Controller::kTickInterval); }

    [[nodiscard]] std::vector<platform::Pid> clientPids() const {
        std::vector<platform::Pid> pids;
        for (const auto& c : controller->clients()) pids.push_back(c.pid);
        return pids;
    }

    /// Frame writes (position, size, position) recorded since the last clear.
    [[nodiscard]] std::vector<std::string> writes() const {
        return const_cast<sim::SimDesktop&>(desk).calls().matching({"setPosition", "setSize"});
    }
};

}  // namespace corvane::testing
