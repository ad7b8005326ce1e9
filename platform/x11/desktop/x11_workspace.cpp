#include "platform/x11/desktop/x11_workspace.h"

#include <set>

#include "platform/x11/processes/bundle_identifier.h"

namespace corvane::x11 {

X11Workspace::X11Workspace(const Connection& connection, const EventLoop& loop, WindowCache& cache,
                           StepWrites& writes)
    : connection_(connection), loop_(loop), cache_(cache), writes_(writes) {}

bool X11Workspace::refreshApplications() {
    const std::uint64_t generation = cache_.generation();
    if (generation == applicationsGeneration_) return true;
    const auto* clients = cache_.clients();
    applications_.clear();
    firstWindow_.clear();
    if (clients == nullptr) return false;
    buildApplications(*clients);
    applicationsGeneration_ = generation;
    return true;
}

std::vector<platform::RunningApplication> X11Workspace::runningApplications() {
    if (!refreshApplications()) return {};
    // A process may end while its window stays: no X event says so.
    std::vector<platform::Pid> pids;
    pids.reserve(applications_.size());
    for (const auto& application : applications_) pids.push_back(application.pid);
    const auto running = processes_.running(pids);
    for (std::size_t i = 0; i < applications_.size(); ++i) applications_[i].terminated = !running[i];
    return applications_;
}

void X11Workspace::buildApplications(const std::vector<ForeignClient>& clients) {
    forgetProcessesExcept(clients);
    processes_.forgetAll();
    std::map<platform::Pid, std::vector<std::string>> classes;
    for (const auto& client : clients) {
        if (!client.pid) continue;  // without a pid a window cannot be told apart from its neighbours
        const platform::Pid pid = *client.pid;
        if (firstWindow_.try_emplace(pid, client.window).second) {
            applications_.push_back({std::nullopt, false, pid, processFacts(pid, client.window).launchDate});
        }
        if (client.windowClass) classes[pid].push_back(*client.windowClass);
    }
    for (auto& application : applications_) {
        ProcessFacts& facts = processFacts(application.pid, firstWindow_.at(application.pid));
        facts.kind = recognise(facts.executable, classes[application.pid]);
        application.bundleIdentifier = facts.kind.bundleIdentifier;
    }
}

X11Workspace::ProcessFacts& X11Workspace::processFacts(platform::Pid pid, xcb_window_t window) {
    const auto [entry, added] = facts_.try_emplace({pid, window});
    if (added) {
        entry->second.launchDate = proc_.launchDate(pid);
        const std::string name = proc_.commandName(pid);
        const auto arguments = mayBeCut(name) ? proc_.arguments(pid) : std::vector<std::string>{};
        entry->second.executable = executableName(name, arguments.empty() ? "" : arguments.front());
    }
    return entry->second;
}

void X11Workspace::forgetProcessesExcept(const std::vector<ForeignClient>& clients) {
    std::set<std::pair<platform::Pid, xcb_window_t>> listed;
    for (const auto& client : clients) {
        if (client.pid) listed.emplace(*client.pid, client.window);
    }
    std::erase_if(facts_, [&](const auto& entry) { return !listed.contains(entry.first); });
}

std::optional<std::string> X11Workspace::launchIdentity(platform::Pid pid) {
    refreshApplications();
    const auto first = firstWindow_.find(pid);
    if (first == firstWindow_.end()) return std::nullopt;
    ProcessFacts& facts = processFacts(pid, first->second);
    if (!facts.launchIdentity) facts.launchIdentity = x11::launchIdentity(proc_, pid);
    return *facts.launchIdentity;
}

std::vector<ListedWindow> X11Workspace::listedWindows() {
    refreshApplications();
    std::vector<ListedWindow> listed;
    const auto* clients = cache_.clients();
    if (clients == nullptr) return listed;
    for (const auto& client : *clients) {
        ListedWindow entry{client, {}, {}};
        const auto first = client.pid ? firstWindow_.find(*client.pid) : firstWindow_.end();
        if (first != firstWindow_.end()) {
            const ProcessFacts& facts = processFacts(*client.pid, first->second);
            entry.executable = facts.executable;
            entry.kind = facts.kind;
        }
        listed.push_back(std::move(entry));
    }
    return listed;
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
