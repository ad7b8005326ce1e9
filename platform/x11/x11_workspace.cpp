#include "platform/x11/x11_workspace.h"

#include <set>

#include "platform/x11/bundle_identifier.h"
#include "platform/x11/program_stacking.h"

namespace corvane::x11 {

namespace {

/// _NET_ACTIVE_WINDOW's source indication for pagers and other tools acting for the user.
constexpr std::uint32_t kSourcePager = 2;
/// WM_HINTS: flags come first, the input field second; bit 0 of flags says input is set.
constexpr std::uint32_t kInputHint = 1;

struct WindowHints {
    bool takesFocusMessage = false;
    bool acceptsInput = true;  // ICCCM: a window without the hint is given the focus
};

WindowHints hintsFrom(const Connection& connection, PropertyCookie& protocols, PropertyCookie& wmHints) {
    WindowHints hints;
    for (const std::uint32_t atom : values32(protocols.get())) {
        if (atom == connection.atoms().wmTakeFocus) hints.takesFocusMessage = true;
    }
    const auto values = values32(wmHints.get());
    if (values.size() >= 2 && (values[0] & kInputHint) != 0) hints.acceptsInput = values[1] != 0;
    return hints;
}

}  // namespace

X11Workspace::X11Workspace(const Connection& connection, const EventLoop& loop, WindowCache& windows)
    : connection_(connection), loop_(loop), windows_(windows) {}

std::vector<platform::RunningApplication> X11Workspace::runningApplications() {
    const std::uint64_t generation = windows_.generation();
    if (generation != applicationsGeneration_) {
        const auto* clients = windows_.clients();
        applications_.clear();
        if (clients == nullptr) return {};
        buildApplications(*clients);
        applicationsGeneration_ = generation;
    }
    // A process may end while its window stays: no X event says so.
    std::vector<platform::Pid> pids;
    pids.reserve(applications_.size());
    for (const auto& application : applications_) pids.push_back(application.pid);
    const auto running = processes_.running(pids);
    for (std::size_t i = 0; i < applications_.size(); ++i) applications_[i].terminated = !running[i];
    return applications_;
}

void X11Workspace::buildApplications(const std::vector<KnownClient>& clients) {
    forgetLaunchDatesExcept(clients);
    processes_.forgetAll();
    std::map<platform::Pid, std::size_t> indexOfPid;
    for (const auto& client : clients) {
        if (!client.pid) continue;  // without a pid a window cannot be told apart from its neighbours
        const platform::Pid pid = *client.pid;
        const auto [entry, added] = indexOfPid.try_emplace(pid, applications_.size());
        if (added) applications_.push_back({std::nullopt, false, pid, launchDate(pid, client.window)});
        auto& application = applications_[entry->second];
        if (!application.bundleIdentifier && client.windowClass) {
            application.bundleIdentifier = bundleIdentifier(*client.windowClass);
        }
    }
}

std::optional<platform::Date> X11Workspace::launchDate(platform::Pid pid, xcb_window_t window) {
    const auto [entry, added] = launchDates_.try_emplace({pid, window});
    if (added) entry->second = proc_.launchDate(pid);
    return entry->second;
}

void X11Workspace::forgetLaunchDatesExcept(const std::vector<KnownClient>& clients) {
    std::set<std::pair<platform::Pid, xcb_window_t>> listed;
    for (const auto& client : clients) {
        if (client.pid) listed.emplace(*client.pid, client.window);
    }
    std::erase_if(launchDates_, [&](const auto& entry) { return !listed.contains(entry.first); });
}

std::optional<platform::Pid> X11Workspace::frontmostApplicationPid() {
    const auto active = activeWindow();
    if (pending_) {
        const bool confirmed = active == pending_->window;
        const bool refused = loop_.now() >= pending_->deadline || !windows_.listed(pending_->window);
        if (confirmed || refused) {
            pending_.reset();  // the window manager has the last word
        } else {
            return pending_->pid;
        }
    }
    if (!active || *active == XCB_WINDOW_NONE) return std::nullopt;
    return windows_.pidOf(*active);
}

std::optional<xcb_window_t> X11Workspace::activeWindow() {
    if (const auto active = windows_.activeWindow()) return active;
    return focusedTopLevel();
}

bool X11Workspace::activateApplication(platform::Pid pid) {
    const auto window = largestWindowOf(pid);
    if (!window) return false;
    const xcb_timestamp_t time = loop_.lastUserTime();
    if (windows_.windowManagerPresent()) {
        // Only the window manager can activate a Wine window: it sets input=False and
        // waits for WM_TAKE_FOCUS, so a bare SetInputFocus would lose the typed keys.
        connection_.sendToWindowManager(*window, connection_.atoms().netActiveWindow,
                                        {kSourcePager, time, XCB_WINDOW_NONE, 0, 0});
        windows_.activationRequested(*window, kLayoutPatience);
    } else {
        activateWithoutWindowManager(*window, time);
    }
    connection_.flush();
    pending_ = PendingActivation{*window, pid, loop_.now() + kActivationDeadline};
    return true;
}

std::optional<xcb_window_t> X11Workspace::focusedTopLevel() const {
    auto focus =
        makeCookie(connection_.get(), xcb_get_input_focus(connection_.get()), xcb_get_input_focus_reply);
    if (focus.get() == nullptr) return std::nullopt;
    xcb_window_t window = focus.get()->focus;
    // The focus may sit on a child of the program's window (or be None / PointerRoot).
    while (window != XCB_WINDOW_NONE && window != XCB_INPUT_FOCUS_POINTER_ROOT &&
           window != connection_.root()) {
        TreeCookie tree = connection_.queryTree(window);
        if (tree.get() == nullptr) return std::nullopt;
        if (tree.get()->parent == connection_.root()) return window;
        window = tree.get()->parent;
    }
    return std::nullopt;
}

std::optional<xcb_window_t> X11Workspace::largestWindowOf(platform::Pid pid) {
    const auto windows = windows_.windowsOf(pid);
    if (!windows || windows->empty()) return std::nullopt;
    windows_.prefetchPlacements(*windows);
    xcb_window_t largest = windows->front();
    double largestArea = 0;
    for (const xcb_window_t window : *windows) {
        const auto placement = windows_.placement(window);
        if (!placement) continue;
        const double area = placement->frame.width * placement->frame.height;
        if (area > largestArea) {
            largest = window;
            largestArea = area;
        }
    }
    return largest;
}

void X11Workspace::activateWithoutWindowManager(xcb_window_t window, xcb_timestamp_t time) const {
    PropertyCookie protocols = connection_.getProperty(window, connection_.atoms().wmProtocols, 64);
    PropertyCookie wmHints = connection_.getProperty(window, XCB_ATOM_WM_HINTS, 9);
    const WindowHints hints = hintsFrom(connection_, protocols, wmHints);

    raiseToTop(connection_, window);
    if (hints.acceptsInput) {
        connection_.onForeignWindow(
            xcb_set_input_focus(connection_.get(), XCB_INPUT_FOCUS_PARENT, window, time));
    }
    if (hints.takesFocusMessage) {
        connection_.sendToClient(window, connection_.atoms().wmProtocols,
                                 {connection_.atoms().wmTakeFocus, time, 0, 0, 0});
    }
}

}  // namespace corvane::x11
