#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "corvane/controller/controller.h"
#include "platform/store/json_defaults_store.h"
#include "platform/x11/x11_backend.h"
#include "rect_printer.h"
#include "wait_until.h"
#include "x11_test.h"

namespace corvane::x11test {

/// The program's controller in this process on the X11 backend, against the
/// test session, with settings in a folder of the test's own.
class X11ControllerTest : public X11Test {
protected:
    void SetUp() override;
    void TearDown() override;

    /// Opens the backend and builds the controller as the program does at start.
    Controller& startController(std::vector<std::string> arguments = {"corvane"});
    void stopController();
    [[nodiscard]] Controller& controller() { return *controller_; }
    [[nodiscard]] x11::X11Backend& backend() { return *backend_; }

    /// Runs the program's loop (timer, ticks, X events) until `condition` holds.
    bool runUntil(const std::function<bool()>& condition,
                  std::chrono::milliseconds timeout = kDefaultTimeout);
    /// Makes sure every request the backend sent has been answered and every
    /// error it caused has been handled by its loop.
    void settleBackend();

    /// $XDG_CONFIG_HOME of this test, and its corvane/settings.json.
    [[nodiscard]] const std::filesystem::path& configHome() const { return configHome_; }
    [[nodiscard]] std::filesystem::path settingsFile() const;
    /// The primary monitor less the window manager's reserved edges, in root coordinates.
    [[nodiscard]] platform::Rect usableArea();
    /// The outer frames, in root coordinates, that `layout` gives the controller's
    /// clients now: computed from what the X server reports, not from the backend.
    [[nodiscard]] std::vector<platform::Rect> expectedFrames(Layout layout);
    /// The same for `count` clients with the given active slot and share.
    [[nodiscard]] std::vector<platform::Rect> expectedFrames(Layout layout, std::size_t count,
                                                             std::size_t activeIndex, double mainShare);
    /// Outer frames of the games' windows as the X server has them now.
    [[nodiscard]] std::vector<platform::Rect> outerFrames(const std::vector<GameProcess*>& games);
    [[nodiscard]] static std::vector<platform::Pid> pids(const std::vector<WowClient>& clients);
    [[nodiscard]] static std::vector<platform::Pid> pids(const std::vector<GameProcess*>& games);

private:
    std::filesystem::path configHome_;
    std::optional<std::string> previousConfigHome_;
    std::unique_ptr<x11::X11Backend> backend_;
    std::unique_ptr<platform::JsonDefaultsStore> store_;
    std::shared_ptr<Controller> controller_;
};

}  // namespace corvane::x11test
