#include "platform/x11/client_windows.h"

#include <unordered_set>

#include "platform/x11/bundle_identifier.h"

namespace corvane::x11 {

namespace {

/// Without a window manager the programs' windows are the root's children:
/// keep the mapped ones that are not override-redirect (menus, tooltips).
std::optional<std::vector<xcb_window_t>> mappedTopLevels(const Connection& connection) {
    TreeCookie tree = connection.queryTree(connection.root());
    const auto* reply = tree.get();
    if (reply == nullptr) return std::nullopt;
    const xcb_window_t* children = xcb_query_tree_children(reply);
    const auto count = static_cast<std::size_t>(xcb_query_tree_children_length(reply));

    std::vector<AttributesCookie> attributes;
    attributes.reserve(count);
    for (std::size_t i = 0; i < count; ++i) attributes.push_back(connection.getAttributes(children[i]));

    std::vector<xcb_window_t> result;
    for (std::size_t i = 0; i < count; ++i) {
        const auto* window = attributes[i].get();
        if (window != nullptr && window->map_state == XCB_MAP_STATE_VIEWABLE &&
            window->override_redirect == 0) {
            result.push_back(children[i]);
        }
    }
    return result;
}

}  // namespace

std::optional<std::vector<xcb_window_t>> clientWindowIds(const Connection& connection) {
    PropertyCookie list = connection.getProperty(connection.root(), connection.atoms().netClientList, 65536);
    const auto* reply = list.get();
    if (reply == nullptr) return std::nullopt;
    if (!exists(reply)) return mappedTopLevels(connection);
    return values32(reply);
}

std::optional<std::vector<ClientWindow>> clientWindows(const Connection& connection) {
    const auto ids = clientWindowIds(connection);
    if (!ids) return std::nullopt;
    std::vector<PropertyCookie> pids;
    pids.reserve(ids->size());
    for (const xcb_window_t window : *ids) {
        pids.push_back(connection.getProperty(window, connection.atoms().netWmPid, 1));
    }
    std::vector<ClientWindow> result;
    result.reserve(ids->size());
    for (std::size_t i = 0; i < ids->size(); ++i) result.push_back({(*ids)[i], pidFrom(pids[i])});
    return result;
}

std::optional<std::vector<KnownClient>> ClientWindowCache::clients() {
    const auto ids = clientWindowIds(connection_);
    if (!ids) return std::nullopt;
    forgetAllBut(*ids);
    learn(*ids);
    std::vector<KnownClient> result;
    result.reserve(ids->size());
    for (const xcb_window_t window : *ids) {
        const Facts& facts = facts_.at(window);
        result.push_back({window, facts.pid, facts.windowClass});
    }
    return result;
}

std::optional<std::vector<xcb_window_t>> ClientWindowCache::windowsOf(platform::Pid pid) {
    const auto ids = clientWindowIds(connection_);
    if (!ids) return std::nullopt;
    forgetAllBut(*ids);
    learn(*ids);
    std::vector<xcb_window_t> result;
    for (const xcb_window_t window : *ids) {
        if (facts_.at(window).pid == pid) result.push_back(window);
    }
    return result;
}

std::optional<platform::Pid> ClientWindowCache::knownPid(xcb_window_t window) const {
    const auto found = facts_.find(window);
    if (found == facts_.end()) return std::nullopt;
    return found->second.pid;
}

void ClientWindowCache::learn(const std::vector<xcb_window_t>& windows) {
    constexpr std::uint32_t kWmClassLength = 256;
    struct Pending {
        xcb_window_t window;
        PropertyCookie pid;
        PropertyCookie wmClass;
    };
    std::vector<Pending> pending;
    for (const xcb_window_t window : windows) {
        if (facts_.contains(window)) continue;
        pending.push_back({window, connection_.getProperty(window, connection_.atoms().netWmPid, 1),
                           connection_.getProperty(window, XCB_ATOM_WM_CLASS, kWmClassLength)});
    }
    for (auto& [window, pid, wmClass] : pending) {
        facts_[window] = {pidFrom(pid), classPart(bytes(wmClass.get()))};
    }
}

void ClientWindowCache::forgetAllBut(const std::vector<xcb_window_t>& windows) {
    const std::unordered_set<xcb_window_t> listed(windows.begin(), windows.end());
    std::erase_if(facts_, [&](const auto& entry) { return !listed.contains(entry.first); });
}

bool hasEwmhWindowManager(const Connection& connection) {
    const xcb_atom_t check = connection.atoms().netSupportingWmCheck;
    PropertyCookie rootCheck = connection.getProperty(connection.root(), check, 1);
    const auto window = firstValue32(rootCheck.get());
    if (!window || *window == XCB_WINDOW_NONE) return false;
    // A window manager that died leaves a stale property behind; its window is gone then.
    PropertyCookie selfCheck = connection.getProperty(*window, check, 1);
    return firstValue32(selfCheck.get()) == window;
}

bool WindowManagerProbe::present() {
    const auto now = std::chrono::steady_clock::now();
    if (!checkedAt_ || now - *checkedAt_ >= kMaxAge) {
        present_ = hasEwmhWindowManager(connection_);
        checkedAt_ = now;
    }
    return present_;
}

FrameExtents frameExtents(PropertyCookie& cookie) {
    const auto values = values32(cookie.get());
    if (values.size() < 4) return {};
    return {static_cast<std::int32_t>(values[0]), static_cast<std::int32_t>(values[1]),
            static_cast<std::int32_t>(values[2]), static_cast<std::int32_t>(values[3])};
}

std::optional<platform::Pid> pidFrom(PropertyCookie& cookie) {
    const auto value = firstValue32(cookie.get());
    if (!value || *value == 0) return std::nullopt;
    return static_cast<platform::Pid>(*value);
}

}  // namespace corvane::x11
