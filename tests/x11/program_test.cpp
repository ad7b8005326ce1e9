#include "program_test.h"

#include <sstream>

#ifndef FIND_CONTROL_PATH
#error "FIND_CONTROL_PATH must name the script that finds a control through AT-SPI"
#endif

namespace corvane::x11test {

std::pair<int, int> middle(const platform::Rect& rect) {
    return {static_cast<int>(rect.x + rect.width / 2), static_cast<int>(rect.y + rect.height / 2)};
}

void ProgramTest::SetUp() {
    X11ControllerTest::SetUp();
    if (IsSkipped()) return;
    display_ = std::make_unique<XSession>(sessionOptions());
    useSession(*display_);
    runner_ = std::make_unique<ProgramRunner>(session().newPath("program"),
                                              Environment{{"DISPLAY", session().display()}}, configHome());
}

void ProgramTest::TearDown() {
    X11ControllerTest::TearDown();
    runner_.reset();
    display_.reset();
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

std::optional<xcb_window_t> ProgramTest::panelInFront(pid_t pid) {
    std::optional<xcb_window_t> panel;
    const bool inFront =
        waitUntil([&] { return (panel = panelWindow(pid)).has_value() && x().activeWindow() == *panel; });
    return inFront && x().answersPing(*panel) ? panel : std::nullopt;
}

bool ProgramTest::closeInFront(pid_t pid, xcb_window_t panel) {
    x().close(panel);
    return waitUntil([&] {
        const auto active = x().activeWindow();
        return !panelWindow(pid) && active && *active != panel && *active != XCB_WINDOW_NONE;
    });
}

std::optional<platform::Rect> ProgramTest::popupMenu(pid_t pid) {
    auto* c = x().connection();
    for (const xcb_window_t window : x().topLevelWindowsOf(static_cast<std::uint32_t>(pid))) {
        // The one window of the program that the window manager leaves alone.
        XReply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
        if (attributes && attributes->override_redirect != 0 &&
            attributes->map_state == XCB_MAP_STATE_VIEWABLE) {
            return x().clientRect(window);
        }
    }
    return std::nullopt;
}

std::vector<xcb_window_t> ProgramTest::previewWindows() {
    // The backend's own windows carry no pid: they are known by their title.
    std::vector<xcb_window_t> previews;
    for (const xcb_window_t window : x().clientList()) {
        if (x().utf8Property(window, "_NET_WM_NAME") == "Corvane preview" && x().isViewable(window)) {
            previews.push_back(window);
        }
    }
    return previews;
}

std::optional<platform::Rect> ProgramTest::control(pid_t pid, const std::string& role,
                                                   const std::string& name, int index) {
    const auto output = session().newPath("control");
    auto finder = ChildProcess::spawn(
        {.argv = {python(), FIND_CONTROL_PATH, std::to_string(pid), role, name, std::to_string(index), "10"},
         .environment = runner_->helperEnvironment(),
         .stdoutPath = output.string(),
         .stderrPath = session().newPath("find-control.log").string()});
    if (finder.waitForExit(std::chrono::seconds(20)) != 0) return std::nullopt;
    std::stringstream text(fileText(output));
    platform::Rect rect;
    if (!(text >> rect.x >> rect.y >> rect.width >> rect.height)) return std::nullopt;
    return rect;
}

bool ProgramTest::clickControl(pid_t pid, const std::string& role, const std::string& name, int index) {
    const auto rect = control(pid, role, name, index);
    if (!rect) return false;
    const auto [x, y] = middle(*rect);
    clickAt(x, y);
    return true;
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
