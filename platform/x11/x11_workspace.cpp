#include "platform/x11/x11_workspace.h"

#include <set>

#include "platform/x11/bundle_identifier.h"

namespace corvane::x11 {

X11Workspace::X11Workspace(const Connection& connection, const EventLoop& loop, WindowCache& cache,
                           StepWrites& writes)
    : connection_(connection), loop_(loop), cache_(cache), writes_(writes) {}

std::vector<platform::RunningApplication> X11Workspace::runningApplications() {
    const std::uint64_t generation = cache_.generation();
    if (generation != applicationsGeneration_) {
        const auto* clients = cache_.clients();
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
    if (const auto pid = writes_.unansweredActivation(active)) return pid;
    if (!active || *active == XCB_WINDOW_NONE) return std::nullopt;
    return cache_.pidOf(*active);
}

std::optional<xcb_window_t> X11Workspace::activeWindow() {
    if (const auto active = cache_.activeWindow()) return active;
    return focusedTopLevel();
}

bool X11Workspace::activateApplication(platform::Pid pid) {
    const auto window = largestWindowOf(pid);
    if (!window) return false;
    writes_.activate(*window, pid, loop_.lastUserTime());
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
    const auto windows = cache_.windowsOf(pid);
    if (!windows || windows->empty()) return std::nullopt;
    cache_.prefetchPlacements(*windows);
    xcb_window_t largest = windows->front();
    double largestArea = 0;
    for (const xcb_window_t window : *windows) {
        // As the program believes it, this step's moves included, as every reader does.
        const auto placement = writes_.placement(window);
        if (!placement) continue;
        const double area = placement->frame.width * placement->frame.height;
        if (area > largestArea) {
            largest = window;
            largestArea = area;
        }
    }
    return largest;
}

}  // namespace corvane::x11
