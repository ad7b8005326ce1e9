#include "platform/x11/desktop/window_cache.h"

#include <algorithm>
#include <array>
#include <unordered_set>

#include "platform/x11/processes/bundle_identifier.h"
#include "platform/x11/wire/events.h"

namespace corvane::x11 {

namespace {

/// Enough 32-bit items for any root property the cache reads (a client list of 65536 windows).
constexpr std::uint32_t kRootPropertyItems = 65536;
constexpr std::uint32_t kWmClassLength = 256;
/// What the cache needs to hear about a listed window.
constexpr std::uint32_t kWindowEvents = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
/// On the root: its properties, and its children coming and going (the border
/// also keeps above newly mapped windows through these).
constexpr std::uint32_t kRootEvents = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;

/// The root's mapped children that are not override-redirect (menus, tooltips).
std::vector<xcb_window_t> mappedChildren(const Connection& connection, xcb_window_t parent) {
    TreeCookie tree = connection.queryTree(parent);
    const auto* reply = tree.get();
    if (reply == nullptr) return {};
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

/// Without _NET_CLIENT_LIST: the programs' windows are the root's children,
/// or, where a window manager put them in frames of its own (weston), the
/// child of each frame that carries WM_STATE, which a window manager sets on
/// every window it manages.
std::vector<xcb_window_t> unlistedClients(const Connection& connection, bool windowManager) {
    auto topLevels = mappedChildren(connection, connection.root());
    if (!windowManager) return topLevels;
    std::vector<TreeCookie> trees;
    trees.reserve(topLevels.size());
    for (const xcb_window_t frame : topLevels) trees.push_back(connection.queryTree(frame));
    std::vector<xcb_window_t> candidates;
    for (std::size_t i = 0; i < topLevels.size(); ++i) {
        candidates.push_back(topLevels[i]);
        if (const auto* tree = trees[i].get()) {
            const xcb_window_t* children = xcb_query_tree_children(tree);
            candidates.insert(candidates.end(), children, children + xcb_query_tree_children_length(tree));
        }
    }
    std::vector<PropertyCookie> states;
    states.reserve(candidates.size());
    for (const xcb_window_t window : candidates)
        states.push_back(connection.getProperty(window, connection.atoms().wmState, 2));
    std::vector<xcb_window_t> clients;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (exists(states[i].get())) clients.push_back(candidates[i]);
    }
    return clients;
}

}  // namespace

WindowCache::WindowCache(const Connection& connection, EventLoop& loop)
    : connection_(connection), loop_(loop) {
    // Selected before anything is read: a change after a read is then always heard of.
    connection_.selectEvents(connection_.root(), kRootEvents);
    subscribeEvents(loop);
}

void WindowCache::subscribeEvents(EventLoop& loop) {
    subscriptions_.push_back(loop.subscribe(XCB_PROPERTY_NOTIFY, [this](const xcb_generic_event_t& event) {
        propertyChanged(as<xcb_property_notify_event_t>(event));
    }));
    const auto changed = [this](const xcb_generic_event_t& event) {
        switch (eventType(event)) {
            case XCB_CONFIGURE_NOTIFY:
                windowChanged(as<xcb_configure_notify_event_t>(event).window);
                break;
            case XCB_REPARENT_NOTIFY:
                windowChanged(as<xcb_reparent_notify_event_t>(event).window);
                break;
            case XCB_MAP_NOTIFY:
                windowChanged(as<xcb_map_notify_event_t>(event).window);
                break;
            case XCB_UNMAP_NOTIFY:
                windowChanged(as<xcb_unmap_notify_event_t>(event).window);
                break;
            case XCB_DESTROY_NOTIFY:
                windowDestroyed(as<xcb_destroy_notify_event_t>(event).window);
                break;
            default:
                break;
        }
    };
    constexpr std::array<int, 5> kStructureEvents{XCB_CONFIGURE_NOTIFY, XCB_REPARENT_NOTIFY, XCB_MAP_NOTIFY,
                                                  XCB_UNMAP_NOTIFY, XCB_DESTROY_NOTIFY};
    for (const int type : kStructureEvents) {
        subscriptions_.push_back(loop.subscribe(static_cast<std::uint8_t>(type), changed));
    }
}

// Root properties ------------------------------------------------------------

const xcb_get_property_reply_t* WindowCache::rootProperty(xcb_atom_t atom) {
    auto entry = root_.find(atom);
    if (entry == root_.end()) {
        entry =
            root_.emplace(atom, connection_.getProperty(connection_.root(), atom, kRootPropertyItems)).first;
    }
    return entry->second.get();
}

void WindowCache::propertyChanged(const xcb_property_notify_event_t& event) {
    if (event.window == connection_.root()) {
        const auto entry = root_.find(event.atom);
        // Asked again at once: the answer is usually in by the time it is needed.
        if (entry != root_.end()) {
            entry->second = connection_.getProperty(connection_.root(), event.atom, kRootPropertyItems);
        }
        if (event.atom == connection_.atoms().netClientList) clientsCurrent_ = false;
        if (event.atom == connection_.atoms().netSupportingWmCheck) checkWindow_.reset();
        return;
    }
    if (event.atom == connection_.atoms().netFrameExtents) windowChanged(event.window);
    // Only the self-reference counts: openbox, for one, touches other properties
    // of that window on every focus change to learn the server's time.
    if (checkWindow_ && event.window == checkWindow_->first &&
        event.atom == connection_.atoms().netSupportingWmCheck) {
        checkWindow_.reset();
    }
}

std::optional<xcb_window_t> WindowCache::activeWindow() {
    const auto* reply = rootProperty(connection_.atoms().netActiveWindow);
    if (!exists(reply)) return std::nullopt;
    return firstValue32(reply).value_or(XCB_WINDOW_NONE);
}

bool WindowCache::windowManagerPresent() {
    const auto window = firstValue32(rootProperty(connection_.atoms().netSupportingWmCheck));
    if (!window || *window == XCB_WINDOW_NONE) return false;
    if (!checkWindow_ || checkWindow_->first != *window) {
        // A window manager that died leaves a stale property behind; its window is gone
        // then, and the destruction tells us to look again.
        watch(*window);
        PropertyCookie selfCheck =
            connection_.getProperty(*window, connection_.atoms().netSupportingWmCheck, 1);
        checkWindow_ = {*window, firstValue32(selfCheck.get()) == window};
    }
    return checkWindow_->second;
}

std::string WindowCache::windowManagerName() {
    if (!windowManagerPresent() || !checkWindow_) return {};
    PropertyCookie name = connection_.getProperty(checkWindow_->first, connection_.atoms().netWmName, 64);
    return bytes(name.get());
}

bool WindowCache::windowManagerSupports(xcb_atom_t hint) {
    const auto hints = values32(rootProperty(connection_.atoms().netSupported));
    return std::find(hints.begin(), hints.end(), hint) != hints.end();
}

std::vector<std::uint32_t> WindowCache::workAreas() {
    return values32(rootProperty(connection_.atoms().netWorkarea));
}

std::optional<std::uint32_t> WindowCache::currentDesktop() {
    return firstValue32(rootProperty(connection_.atoms().netCurrentDesktop));
}

// Client windows -------------------------------------------------------------

std::optional<std::vector<xcb_window_t>> WindowCache::clientIds() {
    const auto* reply = rootProperty(connection_.atoms().netClientList);
    if (reply == nullptr) return std::nullopt;
    if (!exists(reply)) return unlistedClients(connection_, windowManagerPresent());
    return values32(reply);
}

void WindowCache::refreshClients() {
    if (clientsCurrent_) return;
    const auto* reply = rootProperty(connection_.atoms().netClientList);
    // Without the list nothing announces its changes: read it each time.
    clientsCurrent_ = exists(reply);
    ++generation_;
    const auto ids = clientIds();
    clients_.reset();
    windowsByPid_.clear();
    if (!ids) return;
    forgetAllBut(*ids);
    learn(*ids);
    clients_.emplace();
    clients_->reserve(ids->size());
    for (const xcb_window_t window : *ids) {
        const auto known = facts_.find(window);
        if (known == facts_.end()) continue;  // gone before it could be read
        const Facts& facts = known->second;
        const WindowOwner& owner = facts.owner;
        clients_->push_back({window, owner.pid, facts.windowClass, owner.source, owner.claimedPid});
        if (owner.pid) windowsByPid_[*owner.pid].push_back(window);
    }
}

const std::vector<ForeignClient>* WindowCache::clients() {
    refreshClients();
    return clients_ ? &*clients_ : nullptr;
}

std::optional<std::vector<xcb_window_t>> WindowCache::windowsOf(platform::Pid pid) {
    refreshClients();
    if (!clients_) return std::nullopt;
    const auto found = windowsByPid_.find(pid);
    if (found == windowsByPid_.end()) return std::vector<xcb_window_t>{};
    return found->second;
}

std::uint64_t WindowCache::generation() {
    refreshClients();
    return generation_;
}

std::optional<platform::Pid> WindowCache::pidOf(xcb_window_t window) {
    if (const auto found = facts_.find(window); found != facts_.end()) return found->second.owner.pid;
    return WindowOwnerRead(connection_, window).get(hostName_).pid;
}

void WindowCache::learn(const std::vector<xcb_window_t>& windows) {
    // A window's owner and WM_CLASS are set before it is mapped and kept for
    // its life: asked once, when the window is first listed, never per tick.
    struct Pending {
        xcb_window_t window;
        WindowOwnerRead owner;
        PropertyCookie wmClass;
    };
    std::vector<Pending> pending;
    for (const xcb_window_t window : windows) {
        if (facts_.contains(window)) continue;
        watch(window);
        pending.push_back({window, WindowOwnerRead(connection_, window),
                           connection_.getProperty(window, XCB_ATOM_WM_CLASS, kWmClassLength)});
    }
    for (auto& [window, owner, wmClass] : pending) {
        // A window gone already is not remembered: the server hands its id to
        // a new window soon, whose facts must be read then.
        if (!owner.windowExists()) continue;
        facts_[window] = {owner.get(hostName_), classPart(bytes(wmClass.get()))};
    }
}

void WindowCache::forgetAllBut(const std::vector<xcb_window_t>& windows) {
    const std::unordered_set<xcb_window_t> listed(windows.begin(), windows.end());
    std::vector<xcb_window_t> gone;
    for (const auto& [window, facts] : facts_) {
        if (!listed.contains(window)) gone.push_back(window);
    }
    // A window no longer listed may come back, or its pid be reused: read afresh then.
    for (const xcb_window_t window : gone) forget(window);
}

void WindowCache::forget(xcb_window_t window) {
    facts_.erase(window);
    placements_.erase(window);
    watched_.erase(window);
}

void WindowCache::watch(xcb_window_t window) {
    if (!watched_.insert(window).second) return;
    // Leaves the program's own windows (its previews are listed too) as they
    // are: they select their structure changes themselves.
    connection_.selectEvents(window, kWindowEvents);
}

// Placements -----------------------------------------------------------------

WindowCache::PendingPlacement WindowCache::readPlacement(xcb_window_t window) const {
    return {connection_.getGeometry(window), connection_.translateToRoot(window),
            connection_.getProperty(window, connection_.atoms().netFrameExtents, 4)};
}

void WindowCache::prefetchPlacements(const std::vector<xcb_window_t>& windows) {
    for (const xcb_window_t window : windows) {
        // Only listed windows are watched, so only their placements stay true.
        if (facts_.contains(window) && !placements_.contains(window)) {
            placements_.emplace(window, readPlacement(window));
        }
    }
}

std::optional<ForeignPlacement> WindowCache::placement(xcb_window_t window) {
    std::optional<PendingPlacement> unkept;
    PendingPlacement* read = nullptr;
    if (const auto found = placements_.find(window); found != placements_.end()) {
        read = &found->second;
    } else if (facts_.contains(window)) {
        read = &placements_.emplace(window, readPlacement(window)).first->second;
    } else {
        read = &unkept.emplace(readPlacement(window));
    }
    const auto* size = read->geometry.get();
    const auto* client = read->corner.get();
    if (size == nullptr || client == nullptr) {  // the window is gone
        placements_.erase(window);
        return std::nullopt;
    }
    const auto& screen = connection_.screen();
    const FrameExtents frame = frameExtents(read->extents, screen.width_in_pixels, screen.height_in_pixels);
    const std::int32_t border = size->border_width;
    const FrameExtents decoration{frame.left + border, frame.right + border, frame.top + border,
                                  frame.bottom + border};
    const platform::Rect outer{static_cast<double>(client->dst_x - decoration.left),
                               static_cast<double>(client->dst_y - decoration.top),
                               static_cast<double>(size->width + decoration.left + decoration.right),
                               static_cast<double>(size->height + decoration.top + decoration.bottom)};
    return ForeignPlacement{outer, decoration, border};
}

void WindowCache::windowChanged(xcb_window_t window) {
    // Moved, resized, reparented, mapped or unmapped.
    placements_.erase(window);
    if (placementChanged_) placementChanged_(window);
    if (!facts_.contains(window)) return;
    changed_.insert(window);
    // After the rest of this turn's events: a burst of changes makes one read.
    refetchOnce_.request();
}

void WindowCache::refetchChanged() {
    for (const xcb_window_t window : changed_) {
        if (facts_.contains(window) && !placements_.contains(window)) {
            placements_.emplace(window, readPlacement(window));
        }
    }
    changed_.clear();
    connection_.flush();
}

void WindowCache::windowDestroyed(xcb_window_t window) {
    // Its id may come back for another window before the client list is read again.
    facts_.erase(window);
    placements_.erase(window);
    watched_.erase(window);
    if (checkWindow_ && checkWindow_->first == window) checkWindow_.reset();
    if (placementChanged_) placementChanged_(window);
}

}  // namespace corvane::x11
