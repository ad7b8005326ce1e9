#include "program_test.h"

#include <xcb/xtest.h>

#include <fstream>
#include <sstream>

#ifndef CORVANE_PATH
#error "CORVANE_PATH must name the corvane binary"
#endif

namespace corvane::x11test {

ChildProcess ProgramTest::startProgram(const std::vector<std::string>& arguments,
                                       std::vector<std::pair<std::string, std::string>> environment) {
    errors_ = session().newPath("corvane-stderr");
    environment.emplace_back("DISPLAY", session().display());
    environment.emplace_back("XDG_CONFIG_HOME", configHome().string());
    std::vector<std::string> argv = {CORVANE_PATH};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return ChildProcess::spawn(
        {.argv = std::move(argv), .environment = std::move(environment), .stderrPath = errors_.string()});
}

bool ProgramTest::waitForError(const std::string& text) {
    return waitUntil([&] { return programErrors().find(text) != std::string::npos; });
}

std::string ProgramTest::programErrors() const {
    return fileText(errors_);
}

std::string ProgramTest::unexpectedErrors() const {
    std::stringstream lines(programErrors());
    std::string unexpected;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("corvane: settings: ") || line.starts_with("corvane: there is no system tray")) {
            continue;
        }
        unexpected += line + "\n";
    }
    return unexpected;
}

void ProgramTest::writeSettings(const std::string& text) {
    std::filesystem::create_directories(settingsFile().parent_path());
    std::ofstream(settingsFile()) << text;
}

bool ProgramTest::waitForLayout(const std::vector<GameProcess*>& games, Layout layout) {
    return waitUntil([&] {
        const auto frames = outerFrames(games);
        for (std::size_t active = 0; active < games.size(); ++active) {
            if (frames == expectedFrames(layout, games.size(), active, 0.72)) return true;
        }
        return false;
    });
}

std::optional<xcb_window_t> ProgramTest::panelWindow(pid_t pid) {
    for (const xcb_window_t window : x().topLevelWindowsOf(static_cast<std::uint32_t>(pid))) {
        if (x().utf8Property(window, "_NET_WM_NAME") == "Corvane" && x().isViewable(window)) return window;
    }
    return std::nullopt;
}

void ProgramTest::clickAt(int rootX, int rootY) {
    auto* c = x().connection();
    xcb_test_fake_input(c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, x().root(),
                        static_cast<std::int16_t>(rootX), static_cast<std::int16_t>(rootY), 0);
    xcb_test_fake_input(c, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    xcb_test_fake_input(c, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    x().sync();
}

std::filesystem::path ProgramTest::saveScreenshot(const std::string& name) {
    const auto path = std::filesystem::current_path() / name;
    const auto import = XSession::findInPath("import");
    if (import.empty()) return {};
    auto shot = ChildProcess::spawn({.argv = {import, "-window", "root", path.string()},
                                     .environment = {{"DISPLAY", session().display()}}});
    return shot.waitForExit(std::chrono::seconds(20)) == 0 ? path : std::filesystem::path{};
}

}  // namespace corvane::x11test
