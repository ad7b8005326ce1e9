#include "platform/x11/client_windows.h"

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

std::optional<std::vector<xcb_window_t>> clientWindowsOf(const Connection& connection, platform::Pid pid) {
    const auto clients = clientWindows(connection);
    if (!clients) return std::nullopt;
    std::vector<xcb_window_t> result;
    for (const auto& client : *clients) {
        if (client.pid == pid) result.push_back(client.window);
    }
    return result;
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
