#include "program_test.h"

#include <sys/stat.h>
#include <xcb/xtest.h>

#include <fstream>
#include <sstream>

#ifndef CORVANE_PATH
#error "CORVANE_PATH must name the corvane binary"
#endif
#ifndef FIND_CONTROL_PATH
#error "FIND_CONTROL_PATH must name the script that finds a control through AT-SPI"
#endif

namespace corvane::x11test {

namespace {

constexpr int kDragSteps = 8;

}  // namespace

std::pair<int, int> middle(const platform::Rect& rect) {
    return {static_cast<int>(rect.x + rect.width / 2), static_cast<int>(rect.y + rect.height / 2)};
}

void ProgramTest::SetUp() {
    X11ControllerTest::SetUp();
    if (IsSkipped()) return;
    display_ = std::make_unique<XSession>();
    useSession(*display_);
}

std::string ProgramTest::python() {
    // Not a user's own interpreter, which may lack the system's bindings.
    const std::string system = "/usr/bin/python3";
    return access(system.c_str(), X_OK) == 0 ? system : XSession::findInPath("python3");
}

void ProgramTest::TearDown() {
    X11ControllerTest::TearDown();
    services_.clear();
    buses_.clear();
    display_.reset();
}

void ProgramTest::startSessionBus() {
    // Nothing of another test, nor of the machine's own session, reaches it.
    const auto socket = session().newPath("bus");
    const auto log = session().newPath("dbus.log").string();
    buses_.push_back(ChildProcess::spawn({.argv = {XSession::findInPath("dbus-daemon"), "--session", "--nofork",
                                                   "--nopidfile", "--address=unix:path=" + socket.string()},
                                          .stdoutPath = log,
                                          .stderrPath = log}));
    if (!waitUntil([&] { return std::filesystem::exists(socket); })) {
        throw std::runtime_error("the D-Bus session did not start");
    }
    busAddress_ = "unix:path=" + socket.string();
    busFresh_ = true;
}

std::filesystem::path ProgramTest::startOnBus(const std::vector<std::string>& argv) {
    const auto output = session().newPath("service.log");
    services_.push_back(ChildProcess::spawn(
        {.argv = argv,
         .environment = {{"DBUS_SESSION_BUS_ADDRESS", busAddress_}, {"DISPLAY", session().display()}},
         .stdoutPath = output.string(),
         .stderrPath = output.string()}));
    return output;
}

ChildProcess ProgramTest::startProgram(const std::vector<std::string>& arguments,
                                       std::vector<std::pair<std::string, std::string>> environment) {
    if (!busFresh_) startSessionBus();
    busFresh_ = false;
    // One runtime folder for the test's starts, as a login has one.
    const auto runtime = session().folder() / "runtime";
    if (std::filesystem::create_directories(runtime)) chmod(runtime.c_str(), S_IRWXU);

    errors_ = session().newPath("corvane-stderr");
    environment.emplace_back("DISPLAY", session().display());
    environment.emplace_back("XDG_CONFIG_HOME", configHome().string());
    environment.emplace_back("XDG_RUNTIME_DIR", runtime.string());
    environment.emplace_back("DBUS_SESSION_BUS_ADDRESS", busAddress_);
    // Its controls can be found as a screen reader finds them.
    environment.emplace_back("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
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

std::optional<platform::Rect> ProgramTest::popupMenu(pid_t pid) {
    auto* c = x().connection();
    for (const xcb_window_t window : x().topLevelWindowsOf(static_cast<std::uint32_t>(pid))) {
        // The one window of the program that the window manager leaves alone.
        XReply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
        if (attributes && attributes->override_redirect != 0 && attributes->map_state == XCB_MAP_STATE_VIEWABLE) {
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

std::optional<platform::Rect> ProgramTest::control(pid_t pid, const std::string& role, const std::string& name,
                                                   int index) {
    const auto output = session().newPath("control");
    auto finder = ChildProcess::spawn(
        {.argv = {python(), FIND_CONTROL_PATH, std::to_string(pid), role, name, std::to_string(index), "10"},
         .environment = {{"DBUS_SESSION_BUS_ADDRESS", busAddress_}, {"DISPLAY", session().display()}},
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

void ProgramTest::clickAt(int rootX, int rootY, std::uint8_t button) {
    auto* c = x().connection();
    xcb_test_fake_input(c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, x().root(),
                        static_cast<std::int16_t>(rootX), static_cast<std::int16_t>(rootY), 0);
    xcb_test_fake_input(c, XCB_BUTTON_PRESS, button, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    xcb_test_fake_input(c, XCB_BUTTON_RELEASE, button, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    x().sync();
}

void ProgramTest::dragFrom(std::pair<int, int> from, std::pair<int, int> to) {
    auto* c = x().connection();
    const auto move = [&](int px, int py) {
        xcb_test_fake_input(c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, x().root(), static_cast<std::int16_t>(px),
                            static_cast<std::int16_t>(py), 0);
        x().sync();
    };
    move(from.first, from.second);
    xcb_test_fake_input(c, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    for (int step = 1; step <= kDragSteps; ++step) {
        move(from.first + (to.first - from.first) * step / kDragSteps,
             from.second + (to.second - from.second) * step / kDragSteps);
    }
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
