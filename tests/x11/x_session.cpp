#include "x_session.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "wait_until.h"

namespace corvane::x11test {
namespace {

constexpr std::chrono::seconds kStartTimeout{15};
constexpr std::chrono::milliseconds kProbeTimeout{1000};

std::optional<std::string> environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

void restoreEnvironment(const char* name, const std::optional<std::string>& value) {
    if (value) {
        setenv(name, value->c_str(), 1);
    } else {
        unsetenv(name);
    }
}

std::filesystem::path makeTemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvane-x11-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

/// Reads the display number Xvfb writes to -displayfd once it accepts clients.
std::optional<int> readDisplayNumber(int fd, std::chrono::milliseconds timeout) {
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (text.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd pfd{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&pfd, 1, static_cast<int>(left.count())) <= 0) return std::nullopt;
        std::array<char, 32> buffer{};
        const auto n = read(fd, buffer.data(), buffer.size());
        if (n <= 0) return std::nullopt;
        text.append(buffer.data(), static_cast<std::size_t>(n));
    }
    return std::stoi(text);
}

}  // namespace

std::string XSession::findInPath(const std::string& program) {
    return x11test::findInPath(program);
}

std::string XSession::missingPrograms(const SessionOptions& options) {
    std::string missing;
    if (findInPath("Xvfb").empty()) missing += " Xvfb";
    if (options.windowManager && findInPath("openbox").empty()) missing += " openbox";
    return missing.empty() ? "" : "not installed:" + missing;
}

XSession::XSession(SessionOptions options)
    : options_(std::move(options)),
      folder_(makeTemporaryFolder()),
      previousDisplay_(environmentValue("DISPLAY")),
      previousConfigHome_(environmentValue("XDG_CONFIG_HOME")) {
    try {
        // Neither the window manager nor the program under test may read the
        // user's own configuration.
        std::filesystem::create_directories(folder_ / "config");
        setenv("XDG_CONFIG_HOME", (folder_ / "config").c_str(), 1);
        startServer();
        if (options_.windowManager) startWindowManager();
    } catch (...) {
        windowManager_.reset();
        server_.reset();
        restoreEnvironment("DISPLAY", previousDisplay_);
        restoreEnvironment("XDG_CONFIG_HOME", previousConfigHome_);
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
        throw;
    }
}

XSession::~XSession() {
    inspector_.reset();
    windowManager_.reset();
    server_.reset();
    restoreEnvironment("DISPLAY", previousDisplay_);
    restoreEnvironment("XDG_CONFIG_HOME", previousConfigHome_);
    if (environmentValue("CORVANE_KEEP_TEST_FILES")) {
        std::fprintf(stderr, "x11 session files kept in %s\n", folder_.c_str());
    } else {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
}

std::optional<int> XSession::startServerOn(int display) {
    std::array<int, 2> pipeFds{};
    if (pipe2(pipeFds.data(), O_CLOEXEC) != 0) throw std::runtime_error("pipe2 failed");
    const std::string geometry =
        std::to_string(options_.width) + "x" + std::to_string(options_.height) + "x24";
    std::vector<std::string> argv{findInPath("Xvfb"),
                                  ":" + std::to_string(display),
                                  "-displayfd",
                                  std::to_string(pipeFds[1]),
                                  "-screen",
                                  "0",
                                  geometry,
                                  "-nolisten",
                                  "tcp",
                                  "-noreset"};
    for (const auto& extension : options_.disabledExtensions)
        argv.insert(argv.end(), {"-extension", extension});
    try {
        server_ = ChildProcess::spawn({.argv = std::move(argv),
                                       .stderrPath = (folder_ / "xvfb.log").string(),
                                       .inheritedFd = pipeFds[1]});
    } catch (...) {
        close(pipeFds[0]);
        close(pipeFds[1]);
        throw;
    }
    close(pipeFds[1]);
    // A display in use makes Xvfb end at once, which closes the pipe.
    const auto number = readDisplayNumber(pipeFds[0], kStartTimeout);
    close(pipeFds[0]);
    if (!number) server_.reset();
    return number;
}

void XSession::startServer() {
    // Not the lowest free display (what -displayfd alone picks): a number other
    // sessions on this machine used a moment ago may still be addressed by
    // their leftover scripts, and their key presses would land here. Each run
    // starts at a place of its own in a high range and takes the first free one.
    constexpr int kFirstDisplay = 200;
    constexpr int kDisplays = 700;
    constexpr int kAttempts = 20;
    const int start = kFirstDisplay + static_cast<int>(getpid() % kDisplays);
    std::optional<int> number;
    for (int attempt = 0; attempt < kAttempts && !number; ++attempt) {
        number = startServerOn(kFirstDisplay + (start - kFirstDisplay + attempt) % kDisplays);
    }
    if (!number) throw std::runtime_error("Xvfb did not start\n" + logs());
    display_ = ":" + std::to_string(*number);
    setenv("DISPLAY", display_.c_str(), 1);
    inspector_ = std::make_unique<XInspector>(display_);
    for (std::size_t i = 0; i < options_.monitors.size(); ++i) {
        x().addMonitor("TEST-" + std::to_string(i), options_.monitors[i], i == 0);
    }
}

platform::Rect XSession::primaryMonitor() const {
    if (!options_.monitors.empty()) return options_.monitors.front();
    return {0, 0, static_cast<double>(options_.width), static_cast<double>(options_.height)};
}

void XSession::startWindowManager() {
    windowManager_ = ChildProcess::spawn({.argv = {findInPath("openbox"), "--sm-disable"},
                                          .stdoutPath = (folder_ / "openbox.log").string(),
                                          .stderrPath = (folder_ / "openbox.log").string()});
    if (!waitUntil([&] { return x().windowManagerRunning(); }, kStartTimeout)) {
        throw std::runtime_error("openbox did not start\n" + logs());
    }
    waitForFocusOnNewWindows();
}

/// Openbox announces itself before it has finished starting, and windows
/// mapped until then are managed but never focused. A probe window that gets
/// the focus shows that start-up is over.
void XSession::waitForFocusOnNewWindows() {
    auto& inspector = x();
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        const xcb_window_t probe = inspector.createProbeWindow();
        const bool focused = waitUntil([&] { return inspector.activeWindow() == probe; }, kProbeTimeout);
        inspector.destroyWindow(probe);
        const bool dropped = waitUntil([&] {
            const auto clients = inspector.clientList();
            return std::find(clients.begin(), clients.end(), probe) == clients.end();
        });
        if (focused && dropped) return;
    }
    throw std::runtime_error("openbox does not focus new windows\n" + logs());
}

std::string XSession::logs() const {
    return "--- xvfb.log\n" + fileText(folder_ / "xvfb.log") + "--- openbox.log\n" +
           fileText(folder_ / "openbox.log");
}

std::filesystem::path XSession::newPath(const std::string& stem) {
    return folder_ / (stem + "-" + std::to_string(++pathCounter_));
}

std::optional<xcb_window_t> XSession::waitForManagedWindow(pid_t pid) {
    std::optional<xcb_window_t> found;
    const auto processId = static_cast<std::uint32_t>(pid);
    waitUntil([&] {
        if (!options_.windowManager) {
            for (const xcb_window_t window : x().topLevelWindowsOf(processId)) {
                if (x().isViewable(window)) found = window;
            }
            return found.has_value();
        }
        for (const xcb_window_t window : x().clientList()) {
            if (x().pid(window) == processId && x().isViewable(window) && x().frameExtents(window)) {
                found = window;
                return true;
            }
        }
        return false;
    });
    return found;
}

std::optional<xcb_window_t> XSession::waitForManagedWindowInLog(const std::filesystem::path& log) {
    std::optional<xcb_window_t> found;
    waitUntil([&] {
        found = windowInLog(log);
        if (!found) return false;
        const auto clients = x().clientList();
        return std::find(clients.begin(), clients.end(), *found) != clients.end() && x().isViewable(*found) &&
               x().frameExtents(*found);
    });
    return found;
}

void XSession::stopServer() {
    inspector_.reset();
    windowManager_.reset();
    server_.reset();
}

std::unique_ptr<GameProcess> XSession::launchGame(const GameSpec& spec) {
    const auto log = newPath("game-" + std::to_string(spec.number) + ".log");
    auto process = ChildProcess::spawn(fakeGame(spec, log, folder_ / "games.log"));
    const bool ownPid = !spec.claimedPid && !spec.ownPidNamespace;
    const auto window = ownPid ? waitForManagedWindow(process.pid()) : waitForManagedWindowInLog(log);
    if (!window) {
        throw std::runtime_error("fake game " + std::to_string(spec.number) + " got no managed window\n" +
                                 logs());
    }
    std::optional<pid_t> gamePid;
    if (spec.ownPidNamespace) gamePid = onlyChildOf(process.pid());
    return std::make_unique<GameProcess>(std::move(process), *window, log, spec.number, gamePid);
}

bool XSession::remanage(xcb_window_t window) {
    auto managed = [&] {
        const auto clients = x().clientList();
        return std::find(clients.begin(), clients.end(), window) != clients.end() && x().isViewable(window);
    };
    x().unmap(window);
    if (!waitUntil([&] { return !managed(); })) return false;
    x().map(window);
    return waitUntil(managed);
}

void XSession::quitGame(GameProcess& game) {
    const xcb_window_t window = game.window();
    game.process().stop();
    if (!inspector_) return;
    waitUntil([&] {
        const auto clients = x().clientList();
        return std::find(clients.begin(), clients.end(), window) == clients.end();
    });
}

}  // namespace corvane::x11test
