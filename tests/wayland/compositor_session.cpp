#include "compositor_session.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>

#include "text_file.h"
#include "wait_until.h"

namespace corvane::wltest {
namespace {

using x11test::findInPath;
using x11test::waitUntil;

constexpr std::chrono::seconds kStartTimeout{20};
constexpr int kCapSysResource = 24;
const std::string kSocket = "wayland-corvane";

bool asRoot() {
    return geteuid() == 0;
}

/// sway refuses to run as root: as root, it and what must be its own user run as nobody.
std::vector<std::string> asSwayUser(std::vector<std::string> argv) {
    if (!asRoot()) return argv;
    std::vector<std::string> prefixed = {findInPath("setpriv"), "--reuid=nobody", "--regid=nogroup",
                                         "--clear-groups", "--"};
    prefixed.insert(prefixed.end(), argv.begin(), argv.end());
    return prefixed;
}

std::filesystem::path makeTemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvane-wayland-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

/// A file capability the container's bounding set lacks makes exec fail
/// (KWin carries cap_sys_resource): a plain copy of the binary runs.
bool boundingSetHas(int capability) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("CapBnd:")) {
            return ((std::stoull(line.substr(7), nullptr, 16) >> capability) & 1U) != 0;
        }
    }
    return true;
}

struct Names {
    std::string_view test;
    const char* binary;
    const char* desktop;  ///< its XDG_CURRENT_DESKTOP
};

Names namesOf(Compositor compositor) {
    switch (compositor) {
        case Compositor::mutter:
            return {"mutter", "mutter", "GNOME"};
        case Compositor::kwin:
            return {"kwin", "kwin_wayland", "KDE"};
        case Compositor::sway:
            return {"sway", "sway", "sway"};
        case Compositor::weston:
            return {"weston", "weston", "weston"};
    }
    return {"?", "", ""};
}

pid_t parentOf(pid_t pid) {
    // The command name may hold spaces and parentheses: the fields start after the last ')'.
    const std::string stat = x11test::fileText("/proc/" + std::to_string(pid) + "/stat");
    const auto end = stat.rfind(')');
    if (end == std::string::npos) return 0;
    std::stringstream fields(stat.substr(end + 2));
    std::string state;
    pid_t parent = 0;
    fields >> state >> parent;
    return parent;
}

bool descendsFrom(pid_t pid, pid_t ancestor) {
    for (int depth = 0; pid > 1 && depth < 16; ++depth) {
        if (pid == ancestor) return true;
        pid = parentOf(pid);
    }
    return false;
}

std::vector<std::string> commandLine(pid_t pid) {
    const std::string text = x11test::fileText("/proc/" + std::to_string(pid) + "/cmdline");
    std::vector<std::string> arguments;
    std::stringstream parts(text);
    for (std::string part; std::getline(parts, part, '\0');) arguments.push_back(part);
    return arguments;
}

/// The X lock files in /tmp, shared with the machine: the namespace keeps
/// only the sockets private.
std::set<std::string> xLocks() {
    std::set<std::string> locks;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/tmp", ignored)) {
        const auto file = entry.path().filename().string();
        if (file.starts_with(".X") && file.ends_with("-lock")) locks.insert(file);
    }
    return locks;
}

std::set<std::string> xSockets() {
    std::set<std::string> sockets;
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/tmp/.X11-unix", ignored)) {
        sockets.insert(entry.path().filename().string());
    }
    return sockets;
}

}  // namespace

std::string_view name(Compositor compositor) {
    return namesOf(compositor).test;
}

std::string CompositorSession::missingPrograms(Compositor compositor) {
    std::vector<std::string> needed = {namesOf(compositor).binary, "Xwayland", "dbus-daemon"};
    if (compositor == Compositor::sway && asRoot()) {
        needed.emplace_back("setpriv");
        needed.emplace_back("xhost");
    }
    std::string missing;
    for (const auto& program : needed) {
        if (findInPath(program).empty()) missing += " " + program;
    }
    return missing.empty() ? "" : "not installed:" + missing;
}

CompositorSession::CompositorSession(Compositor compositor)
    : compositor_(compositor), folder_(makeTemporaryFolder()), runtime_(folder_ / "runtime") {
    try {
        std::filesystem::create_directories(runtime_);
        chmod(runtime_.c_str(), S_IRWXU);
        for (const char* sub : {"home", "config", "data", "cache"})
            std::filesystem::create_directories(folder_ / sub);
        if (compositor_ == Compositor::sway && asRoot()) {
            // Its own runtime folder and what it reads; the folder above stays reachable.
            chmod(folder_.c_str(), S_IRWXU | S_IXGRP | S_IXOTH);
            if (chown(runtime_.c_str(), 65534, 65534) != 0)
                throw std::runtime_error("cannot hand over " + runtime_.string());
        }
        if (compositor_ == Compositor::mutter || compositor_ == Compositor::kwin) startBus();
        socketsBefore_ = xSockets();
        locksBefore_ = xLocks();
        startCompositor();
        findXServer();
        letRootIn();
        connect();
    } catch (const std::exception& error) {
        const std::string logs = log();
        inspector_.reset();
        pointer_.reset();
        process_.reset();
        bus_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
        throw std::runtime_error(std::string(error.what()) + "\n--- " + std::string(name(compositor_)) +
                                 " log\n" + logs);
    }
}

CompositorSession::~CompositorSession() {
    inspector_.reset();
    pointer_.reset();
    process_.reset();
    bus_.reset();
    removeStaleLocks();
    if (std::getenv("CORVANE_KEEP_TEST_FILES") != nullptr) {
        std::fprintf(stderr, "%s session files kept in %s\n", std::string(name(compositor_)).c_str(),
                     folder_.c_str());
    } else {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
}

void CompositorSession::removeStaleLocks() const {
    // mutter leaves its displays' lock files behind when it is ended.
    for (const auto& lock : xLocks()) {
        if (locksBefore_.contains(lock)) continue;
        std::stringstream text(x11test::fileText("/tmp/" + lock));
        pid_t owner = 0;
        if (text >> owner && owner > 0 && kill(owner, 0) != 0 && errno == ESRCH) {
            std::filesystem::remove("/tmp/" + lock);
        }
    }
}

std::string CompositorSession::log() const {
    return x11test::fileText(folder_ / "compositor.log");
}

void CompositorSession::startBus() {
    // mutter and KWin want a session bus; each session has one of its own.
    const auto socket = runtime_ / "bus";
    bus_ = ChildProcess::spawn({.argv = {findInPath("dbus-daemon"), "--session", "--nofork", "--nopidfile",
                                         "--address=unix:path=" + socket.string()},
                                .stdoutPath = (folder_ / "dbus.log").string(),
                                .stderrPath = (folder_ / "dbus.log").string()});
    if (!waitUntil([&] { return std::filesystem::exists(socket); }))
        throw std::runtime_error("no session bus");
}

void CompositorSession::startCompositor() {
    // Nothing of the machine's own session reaches it, nor of the user's settings.
    Environment environment = {{"XDG_RUNTIME_DIR", runtime_.string()},
                               {"HOME", (folder_ / "home").string()},
                               {"XDG_CONFIG_HOME", (folder_ / "config").string()},
                               {"XDG_DATA_HOME", (folder_ / "data").string()},
                               {"XDG_CACHE_HOME", (folder_ / "cache").string()}};
    if (bus_)
        environment.emplace_back("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + (runtime_ / "bus").string());
    const std::string width = std::to_string(kScreenWidth);
    const std::string height = std::to_string(kScreenHeight);
    std::vector<std::string> argv;
    switch (compositor_) {
        case Compositor::mutter:
            environment.emplace_back("GSETTINGS_BACKEND", "memory");
            argv = {findInPath("mutter"), "--wayland",         "--headless", "--virtual-monitor",
                    width + "x" + height, "--wayland-display", kSocket,      "--sm-disable"};
            break;
        case Compositor::kwin: {
            std::string binary = findInPath("kwin_wayland");
            if (!boundingSetHas(kCapSysResource)) {
                const auto copy = folder_ / "kwin_wayland";
                std::filesystem::copy_file(binary, copy);
                binary = copy.string();
            }
            argv = {binary, "--virtual", "--xwayland", "--socket",        kSocket,           "--width",
                    width,  "--height",  height,       "--no-lockscreen", "--no-kactivities"};
            break;
        }
        case Compositor::sway: {
            const auto config = runtime_ / "config";
            // XWayland at once, not on the first X client's connection.
            std::ofstream(config) << "xwayland force\noutput * mode --custom " << width << "x" << height
                                  << "\n";
            environment.insert(environment.end(), {{"HOME", runtime_.string()},
                                                   {"WLR_BACKENDS", "headless"},
                                                   {"WLR_LIBINPUT_NO_DEVICES", "1"},
                                                   {"WLR_RENDERER", "pixman"},
                                                   {"WLR_HEADLESS_OUTPUTS", "1"},
                                                   {"WAYLAND_DISPLAY", ""}});
            argv = asSwayUser({findInPath("sway"), "-c", config.string()});
            break;
        }
        case Compositor::weston:
            argv = {findInPath("weston"), "--backend=headless-backend.so",
                    "--use-pixman",       "--width=" + width,
                    "--height=" + height, "--xwayland",
                    "--socket=" + kSocket};
            break;
    }
    const auto log = (folder_ / "compositor.log").string();
    process_ =
        ChildProcess::spawn({.argv = argv, .environment = environment, .stdoutPath = log, .stderrPath = log});
}

void CompositorSession::findXServer() {
    // The XWayland it started says which display and cookie file it has;
    // weston starts it only for the first X client, and has it take no cookie.
    const pid_t compositor = process_->pid();
    const bool found = waitUntil(
        [&] {
            if (!process_->running()) throw std::runtime_error(std::string(name(compositor_)) + " ended");
            if (compositor_ == Compositor::weston) {
                for (const auto& socket : xSockets()) {
                    if (!socketsBefore_.contains(socket)) display_ = ":" + socket.substr(1);
                }
                return !display_.empty();
            }
            for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
                const std::string pidText = entry.path().filename().string();
                if (pidText.find_first_not_of("0123456789") != std::string::npos) continue;
                const pid_t pid = std::stoi(pidText);
                if (x11test::fileText(entry.path() / "comm") != "Xwayland\n" ||
                    !descendsFrom(pid, compositor)) {
                    continue;
                }
                const auto arguments = commandLine(pid);
                for (std::size_t i = 1; i < arguments.size(); ++i) {
                    if (arguments[i].size() > 1 && arguments[i][0] == ':') display_ = arguments[i];
                    if (arguments[i] == "-auth" && i + 1 < arguments.size()) xauthority_ = arguments[i + 1];
                }
                return !display_.empty() && std::filesystem::exists("/tmp/.X11-unix/X" + display_.substr(1));
            }
            return false;
        },
        kStartTimeout);
    if (!found) throw std::runtime_error("no XWayland came up");
}

void CompositorSession::letRootIn() {
    if (compositor_ != Compositor::sway || !asRoot()) return;
    // The X server is nobody's, who alone may connect: it lets root's clients in.
    const bool allowed = waitUntil(
        [&] {
            auto xhost = ChildProcess::spawn({.argv = asSwayUser({findInPath("xhost"), "+si:localuser:root"}),
                                              .environment = {{"DISPLAY", display_}},
                                              .stdoutPath = (folder_ / "xhost.log").string(),
                                              .stderrPath = (folder_ / "xhost.log").string()});
            return xhost.waitForExit(std::chrono::seconds(5)) == 0;
        },
        kStartTimeout);
    if (!allowed) throw std::runtime_error("xhost could not let root in");
}

void CompositorSession::connect() {
    // xcb_connect reads the cookie's file from the environment.
    const char* previous = std::getenv("XAUTHORITY");
    const std::optional<std::string> saved = previous ? std::optional<std::string>(previous) : std::nullopt;
    if (!xauthority_.empty()) setenv("XAUTHORITY", xauthority_.c_str(), 1);
    const bool up = waitUntil(
        [&] {
            try {
                if (!inspector_) inspector_ = std::make_unique<XInspector>(display_);
            } catch (const std::runtime_error&) {
                return false;
            }
            return inspector_->windowManagerRunning();
        },
        kStartTimeout);
    if (saved) {
        setenv("XAUTHORITY", saved->c_str(), 1);
    } else {
        unsetenv("XAUTHORITY");
    }
    if (!up) throw std::runtime_error("no X window manager on " + display_);

    desktop_ = {{"DISPLAY", display_},
                {"XDG_SESSION_TYPE", "wayland"},
                {"XDG_CURRENT_DESKTOP", namesOf(compositor_).desktop}};
    if (!xauthority_.empty()) desktop_.emplace_back("XAUTHORITY", xauthority_);
    if (compositor_ != Compositor::sway) {
        desktop_.emplace_back("XDG_RUNTIME_DIR", runtime_.string());
        desktop_.emplace_back("WAYLAND_DISPLAY", kSocket);
        return;
    }
    // Its runtime folder may be nobody's: programs get one of their own, as at
    // a login, and the sockets by their whole path.
    std::optional<std::filesystem::path> ipc;
    std::optional<std::filesystem::path> wayland;
    waitUntil([&] {
        for (const auto& entry : std::filesystem::directory_iterator(runtime_)) {
            const auto file = entry.path().filename().string();
            if (file.starts_with("sway-ipc.")) ipc = entry.path();
            if (file.starts_with("wayland-") && !file.ends_with(".lock")) wayland = entry.path();
        }
        return ipc && wayland;
    });
    if (!ipc || !wayland) throw std::runtime_error("sway made no sockets");
    desktop_.emplace_back("WAYLAND_DISPLAY", wayland->string());
    desktop_.emplace_back("SWAYSOCK", ipc->string());
    pointer_ = std::make_unique<VirtualPointer>(*wayland);
}

std::unique_ptr<GameProcess> CompositorSession::launchGame(const GameSpec& spec) {
    const auto gameLog = folder_ / ("game-" + std::to_string(++gameCounter_) + ".log");
    auto options = x11test::fakeGame(spec, gameLog, folder_ / "games.log");
    options.environment = desktop_;
    auto process = ChildProcess::spawn(options);
    const auto processId = static_cast<std::uint32_t>(process.pid());
    std::optional<xcb_window_t> window;
    waitUntil([&] {
        for (const xcb_window_t candidate : x().allWindows()) {
            const auto wmClass = x().wmClass(candidate);
            if (x().pid(candidate) == processId && wmClass && wmClass->instance == spec.wmClass &&
                x().isViewable(candidate)) {
                window = candidate;
            }
        }
        return window.has_value();
    });
    if (!window)
        throw std::runtime_error("fake game " + std::to_string(spec.number) + " did not show\n" + log());
    return std::make_unique<GameProcess>(std::move(process), *window, gameLog, spec.number);
}

std::vector<xcb_window_t> CompositorSession::windowsTitled(const std::string& title,
                                                           std::optional<pid_t> pid) {
    std::vector<xcb_window_t> found;
    for (const xcb_window_t window : x().allWindows()) {
        if (pid && x().pid(window) != static_cast<std::uint32_t>(*pid)) continue;
        if (x().utf8Property(window, "_NET_WM_NAME") == title && x().isViewable(window))
            found.push_back(window);
    }
    return found;
}

}  // namespace corvane::wltest

namespace corvane::wltest {

bool CompositorSession::canTakeScreenshots() const {
    return compositor_ == Compositor::sway && !findInPath("grim").empty();
}

std::optional<std::uint32_t> CompositorSession::screenPixel(int x, int y) {
    if (!canTakeScreenshots()) return std::nullopt;
    const auto shot = folder_ / "pixel.ppm";
    Environment environment = desktop_;
    auto grim =
        ChildProcess::spawn({.argv = {findInPath("grim"), "-t", "ppm", "-g",
                                      std::to_string(x) + "," + std::to_string(y) + " 1x1", shot.string()},
                             .environment = environment,
                             .stderrPath = (folder_ / "grim.log").string()});
    if (grim.waitForExit(std::chrono::seconds(10)) != 0) return std::nullopt;
    // P6, width, height, maximum, then one byte for each of red, green and blue.
    const std::string image = x11test::fileText(shot);
    if (image.size() < 3) return std::nullopt;
    const auto* rgb = reinterpret_cast<const unsigned char*>(image.data() + image.size() - 3);
    return static_cast<std::uint32_t>((rgb[0] << 16U) | (rgb[1] << 8U) | rgb[2]);
}

bool CompositorSession::clickThroughCompositor(std::pair<int, int> at) {
    const auto [x, y] = at;
    if (!canClickThroughCompositor()) return false;
    return swayCommand("seat - cursor set " + std::to_string(x) + " " + std::to_string(y) +
                       "; seat - cursor press button1; seat - cursor release button1");
}

void CompositorSession::close(xcb_window_t window) {
    // sway's X window manager takes no _NET_CLOSE_WINDOW; its own kill asks the window to close.
    if (compositor_ == Compositor::sway) {
        swayCommand("[id=" + std::to_string(window) + "] kill");
    } else {
        x().close(window);
    }
}

bool CompositorSession::swayCommand(const std::string& commands) {
    auto command = ChildProcess::spawn({.argv = {findInPath("swaymsg"), commands},
                                        .environment = desktop_,
                                        .stdoutPath = (folder_ / "swaymsg.log").string(),
                                        .stderrPath = (folder_ / "swaymsg.log").string()});
    return command.waitForExit(std::chrono::seconds(10)) == 0;
}

std::string CompositorSession::busAddress() const {
    return bus_ ? "unix:path=" + (runtime_ / "bus").string() : "";
}

std::optional<std::string> CompositorSession::busCall(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {findInPath("gdbus"), "call", "--session"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    Environment environment = desktop_;
    environment.emplace_back("DBUS_SESSION_BUS_ADDRESS", busAddress());
    const auto output = folder_ / "gdbus.out";
    std::error_code ignored;
    std::filesystem::remove(output, ignored);  // the child appends
    auto call = ChildProcess::spawn({.argv = std::move(argv),
                                     .environment = std::move(environment),
                                     .stdoutPath = output.string(),
                                     .stderrPath = (folder_ / "gdbus.log").string()});
    if (call.waitForExit(std::chrono::seconds(10)) != 0) return std::nullopt;
    return x11test::fileText(output);
}

}  // namespace corvane::wltest
