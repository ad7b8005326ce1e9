#include "platform/x11/check/desktop_check.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "platform/x11/desktop/foreign_requests.h"
#include "platform/x11/wire/events.h"
#include "platform/x11/wire/owned_xid.h"

namespace corvane::x11 {

namespace {

using Verdict = DesktopFinding::Verdict;

/// How long the window manager may take to manage, move or activate the probe.
constexpr double kPatience = 1.5;

DesktopFinding found(Verdict verdict, std::string line, std::string advice = {}) {
    return {verdict, std::move(line), std::move(advice)};
}

constexpr const char* kOtherDesktop =
    "use a desktop whose window manager does (openbox, KDE Plasma, GNOME, or sway, which Corvane drives "
    "through its IPC)";

std::string hex(std::uint32_t value) {
    std::array<char, 16> text{};
    std::snprintf(text.data(), text.size(), "0x%x", value);
    return text.data();
}

/// A window of the check's own that the window manager manages like a game's.
class Probe {
public:
    explicit Probe(const Connection& connection) : connection_(connection) {
        xcb_connection_t* c = connection.get();
        window_ = OwnedWindow(c, xcb_generate_id(c));
        // Painted: a Wayland compositor shows (and so manages) a surface only once it has content.
        const std::array<std::uint32_t, 2> values{connection.screen().black_pixel,
                                                  XCB_EVENT_MASK_STRUCTURE_NOTIFY};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, window_.get(), connection.root(), 60, 60, 200, 150, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, connection.screen().root_visual,
                          XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values.data());
        constexpr std::string_view kTitle = "Corvane check";
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window_.get(), connection.atoms().netWmName,
                            connection.atoms().utf8String, 8, static_cast<std::uint32_t>(kTitle.size()),
                            kTitle.data());
        connection.onOwnWindow(xcb_map_window(c, window_.get()));
        connection.flush();
    }
    [[nodiscard]] xcb_window_t id() const { return window_.get(); }
    /// Where its client area is now, in root coordinates.
    [[nodiscard]] std::optional<std::pair<int, int>> corner() const {
        TranslateCookie corner = connection_.translateToRoot(window_.get());
        if (const auto* reply = corner.get()) return std::pair{int{reply->dst_x}, int{reply->dst_y}};
        return std::nullopt;
    }
    [[nodiscard]] bool managed() const {
        PropertyCookie state = connection_.getProperty(window_.get(), connection_.atoms().wmState, 2);
        return exists(state.get());
    }

private:
    const Connection& connection_;
    OwnedWindow window_;
};

std::vector<DesktopFinding> session(X11Backend& backend) {
    WindowCache& cache = backend.windowCache();
    const bool wayland = connectionIsXwayland(backend.connection());
    const std::string manager = cache.windowManagerName();
    std::string line =
        wayland ? "the display is XWayland, in a Wayland session" : "the display is an X11 server";
    if (cache.windowManagerPresent()) {
        line += wayland ? ", compositor " : ", window manager ";
        line += manager.empty() ? "(without a name)" : manager;
        return {found(Verdict::works, line)};
    }
    return {found(Verdict::fallback,
                  line + "; no window manager: Corvane activates and places windows itself, as ICCCM says")};
}

std::vector<DesktopFinding> features(X11Backend& backend) {
    WindowCache& cache = backend.windowCache();
    const Atoms& atoms = backend.connection().atoms();
    if (!cache.windowManagerPresent()) return {};
    struct Feature {
        xcb_atom_t atom;
        const char* name;
        const char* fallback;
    };
    // In the words of the route the steps take.
    WriteRoute& route = backend.route();
    const bool swayActivates = route.activations() == WriteRoute::Way::sway;
    const bool swayMoves = route.moves() == WriteRoute::Way::sway;
    const std::array features{
        Feature{atoms.netClientList, "_NET_CLIENT_LIST (the list of windows)",
                "the games are found by WM_STATE below the window manager's frames"},
        Feature{atoms.netActiveWindow, "_NET_ACTIVE_WINDOW (activating a window)",
                swayActivates ? "games are focused through sway's IPC" : "a game is activated the ICCCM way"},
        Feature{atoms.netMoveresizeWindow, "_NET_MOVERESIZE_WINDOW (moving a window)",
                swayMoves ? "games are moved through sway's IPC" : "games are moved with configure requests"},
        Feature{atoms.netFrameExtents, "_NET_FRAME_EXTENTS (its frames' sizes)",
                "a window's frame is taken to be its client area"},
        Feature{atoms.netWorkarea, "_NET_WORKAREA (the screen less its panels)",
                "the whole screen is the work area"},
    };
    std::vector<DesktopFinding> findings;
    for (const auto& feature : features) {
        // Some list a property they never set (KWin's work area): what is on the root counts for those.
        const bool rootProperty = feature.atom == atoms.netClientList || feature.atom == atoms.netWorkarea;
        PropertyCookie value = backend.connection().getProperty(backend.connection().root(), feature.atom, 1);
        const bool there = rootProperty ? exists(value.get()) : cache.windowManagerSupports(feature.atom);
        findings.push_back(
            there ? found(Verdict::works, std::string("the window manager gives ") + feature.name)
                  : found(Verdict::fallback, std::string("no ") + feature.name + ": " + feature.fallback));
    }
    return findings;
}

/// Moves and activates a window of the check's own as the program would a game's.
std::vector<DesktopFinding> behaviour(X11Backend& backend) {
    WindowCache& cache = backend.windowCache();
    const Connection& connection = backend.connection();
    EventLoop& loop = backend.loop();
    const auto before = cache.activeWindow();
    Probe probe(connection);
    if (!loop.runUntil([&] { return probe.managed() || !cache.windowManagerPresent(); }, kPatience)) {
        return {found(Verdict::missing, "the window manager did not take a new window within 1.5 s",
                      kOtherDesktop)};
    }
    std::vector<DesktopFinding> findings;
    constexpr int kX = 320;
    constexpr int kY = 240;
    WriteRoute& route = backend.route();
    const WriteRoute::Move move{probe.id(), ClientMove{kX, kY, 200, 150, 0},
                                ForeignPlacement{platform::Rect{kX, kY, 200, 150}, {}, 0}};
    // sway knows a window only once its surface shows, a moment after it is mapped.
    loop.runUntil([&] { return route.move({move}); }, kPatience);
    connection.flush();
    const bool moved = loop.runUntil([&] { return probe.corner() == std::pair{kX, kY}; }, kPatience);
    findings.push_back(
        moved ? found(Verdict::works, "the window manager moves a window when asked")
              : found(Verdict::missing,
                      "the window manager moves no window when asked: Corvane cannot arrange the games here",
                      kOtherDesktop));
    if (!loop.runUntil([&] { return route.activate(probe.id(), XCB_CURRENT_TIME, false); }, kPatience)) {
        route.activate(probe.id(), XCB_CURRENT_TIME);
    }
    connection.flush();
    const bool activated = loop.runUntil(
        [&] {
            if (cache.windowManagerPresent()) return cache.activeWindow() == probe.id();
            auto focus = makeCookie(connection.get(), xcb_get_input_focus(connection.get()),
                                    xcb_get_input_focus_reply);
            return focus.get() != nullptr && focus.get()->focus == probe.id();
        },
        kPatience);
    findings.push_back(activated
                           ? found(Verdict::works, "the window manager activates a window when asked")
                           : found(Verdict::missing,
                                   "the window manager activates no window when asked: the switch and jump "
                                   "keys cannot bring a game forward here",
                                   kOtherDesktop));
    // Back to where the player was.
    if (activated && before && *before != XCB_WINDOW_NONE) route.activate(*before, XCB_CURRENT_TIME);
    connection.flush();
    return findings;
}

std::vector<DesktopFinding> extensions(const Connection& connection, const DesktopNeeds& needs) {
    const Extensions& extensions = connection.extensions();
    struct Named {
        const Extension* extension;
        const char* name;
        bool needed;
        const char* without;
    };
    const std::array named{
        Named{&extensions.composite, "Composite", needs.previews, "no live previews"},
        Named{&extensions.damage, "DAMAGE", needs.previews, "no live previews"},
        Named{&extensions.render, "RENDER", needs.previews, "no live previews"},
        Named{&extensions.shape, "SHAPE", needs.border, "no border"},
    };
    std::vector<DesktopFinding> findings;
    for (const auto& entry : named) {
        if (entry.extension->usable) {
            findings.push_back(found(Verdict::works, std::string("the X server has ") + entry.name));
        } else {
            findings.push_back(found(entry.needed ? Verdict::missing : Verdict::fallback,
                                     std::string("the X server lacks ") + entry.name + ": " + entry.without,
                                     entry.extension == &extensions.shape
                                         ? "turn the border off in the panel"
                                         : "turn the previews off in the panel, or use an X server with "
                                           "Composite, DAMAGE and RENDER"));
        }
    }
    return findings;
}

std::vector<DesktopFinding> keys(X11Backend& backend, const DesktopNeeds& needs) {
    std::vector<DesktopFinding> findings;
    for (const auto& key : needs.keys) {
        const auto registration = backend.hotKeys().registerHotKey(key.keyCode, key.modifiers, {0, 1});
        if (registration.ref) {
            backend.hotKeys().unregisterHotKey(*registration.ref);
            findings.push_back(found(Verdict::works, key.what + " can be had"));
        } else if (registration.status == platform::kHotKeyInvalidError) {
            findings.push_back(found(Verdict::missing, key.what + ": this keyboard has no such key",
                                     "pick another switch key or jump keys in the panel"));
        } else {
            findings.push_back(found(Verdict::missing,
                                     key.what + " is taken by another program (X does not tell which)",
                                     "pick another switch key or jump keys in the panel, or free it in the "
                                     "program that holds it"));
        }
    }
    return findings;
}

std::vector<DesktopFinding> tray(const Connection& connection) {
    const std::string name = "_NET_SYSTEM_TRAY_S0";
    auto owner = makeCookie(connection.get(),
                            xcb_get_selection_owner(connection.get(), connection.atoms().netSystemTrayS0),
                            xcb_get_selection_owner_reply);
    if (owner.get() != nullptr && owner.get()->owner != XCB_WINDOW_NONE) {
        return {found(Verdict::works,
                      "an XEmbed tray holds " + name + " (window " + hex(owner.get()->owner) + ")")};
    }
    return {found(Verdict::fallback, "no XEmbed tray (" + name + " has no owner)")};
}

}  // namespace

bool connectionIsXwayland(const Connection& connection) {
    return connection.extensions().xwayland;
}

std::vector<DesktopFinding> checkDesktop(X11Backend& backend, const DesktopNeeds& needs) {
    std::vector<DesktopFinding> findings;
    for (auto part :
         {session(backend), features(backend), behaviour(backend), extensions(backend.connection(), needs),
          keys(backend, needs), tray(backend.connection())}) {
        findings.insert(findings.end(), part.begin(), part.end());
    }
    return findings;
}

}  // namespace corvane::x11
