#pragma once

#include <xcb/xcb.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/free_deleter.h"
#include "platform/geometry.h"

namespace corvane::x11test {

template <typename T>
using XReply = std::unique_ptr<T, platform::FreeDeleter>;

struct WmClass {
    std::string instance;
    std::string className;
    friend bool operator==(const WmClass&, const WmClass&) = default;
};

/// The test's own connection to the X server: reads back what the server and
/// the window manager show, and plays the user (activation through the window
/// manager, key presses through XTEST). Independent of the backend under test.
class XInspector {
public:
    /// Throws std::runtime_error when the display cannot be reached.
    explicit XInspector(const std::string& display);

    [[nodiscard]] xcb_connection_t* connection() const { return connection_.get(); }
    [[nodiscard]] xcb_window_t root() const { return screen_->root; }
    [[nodiscard]] platform::Rect rootGeometry() const;
    [[nodiscard]] xcb_atom_t atom(const std::string& name);

    // What the window manager publishes.
    [[nodiscard]] std::vector<xcb_window_t> clientList();
    [[nodiscard]] std::optional<xcb_window_t> activeWindow();
    [[nodiscard]] bool windowManagerRunning();
    /// The first desktop's _NET_WORKAREA.
    [[nodiscard]] std::optional<platform::Rect> workArea();
    // What the server says about a window.
    [[nodiscard]] xcb_window_t inputFocus();
    [[nodiscard]] std::optional<std::uint32_t> pid(xcb_window_t window);
    [[nodiscard]] std::optional<WmClass> wmClass(xcb_window_t window);
    [[nodiscard]] std::optional<std::string> utf8Property(xcb_window_t window, const std::string& name);
    [[nodiscard]] bool isViewable(xcb_window_t window);
    /// A property of atoms (_NET_WM_STATE, _NET_WM_WINDOW_TYPE...); empty when missing.
    [[nodiscard]] std::vector<xcb_atom_t> atomList(xcb_window_t window, const std::string& name);
    [[nodiscard]] std::vector<xcb_window_t> topLevelWindowsOf(std::uint32_t pid);
    /// The colour the screen shows at a root pixel, as 0xRRGGBB.
    [[nodiscard]] std::optional<std::uint32_t> pixelAt(int rootX, int rootY);
    /// left, right, top, bottom
    [[nodiscard]] std::optional<std::array<std::uint32_t, 4>> frameExtents(xcb_window_t window);
    /// The client area in root coordinates.
    [[nodiscard]] std::optional<platform::Rect> clientRect(xcb_window_t window);
    /// The root's child whose WM_NAME is `name` (an unmanaged window: a menu, an overlay).
    [[nodiscard]] std::optional<xcb_window_t> childNamed(const std::string& name);
    /// The root's child that holds `window`: the window manager's frame, if any.
    [[nodiscard]] xcb_window_t topLevelOf(xcb_window_t window);
    /// Whether `upper` is stacked above `lower`, each by the root's child that holds it.
    [[nodiscard]] bool stackedAbove(xcb_window_t upper, xcb_window_t lower);
    /// The outer frame in root coordinates: client area plus _NET_FRAME_EXTENTS.
    [[nodiscard]] std::optional<platform::Rect> outerFrame(xcb_window_t window);

    // Acting as the user and the pager.
    /// A _NET_ACTIVE_WINDOW request with source 2 (pager: the user's choice).
    void activate(xcb_window_t window);
    /// Moves the client area through the window manager (static gravity).
    void moveClient(xcb_window_t window, platform::Rect client);
    /// A _NET_CLOSE_WINDOW request: the window manager sends WM_DELETE_WINDOW.
    void close(xcb_window_t window);
    /// Presses and releases the key of `keysym` with XTEST.
    void typeKey(xcb_keysym_t keysym) { typeChord({keysym}); }
    /// Presses the keys in order and releases them in reverse (modifiers first).
    void typeChord(const std::vector<xcb_keysym_t>& keysyms);
    /// Whether the server has a key for `keysym` in its keyboard map.
    [[nodiscard]] bool hasKey(xcb_keysym_t keysym) { return keycodeOf(keysym).has_value(); }
    /// Gives `keysym` a key of its own when the keyboard map has none (Xvfb
    /// maps no F13 and up), on a key code that carries nothing.
    void ensureKey(xcb_keysym_t keysym);
    [[nodiscard]] std::optional<xcb_keycode_t> keycodeOf(xcb_keysym_t keysym);
    /// A key code that carries no keysym.
    [[nodiscard]] xcb_keycode_t freeKeycode();
    /// The keysyms of one key code, and replacing them (the server tells
    /// every client with a MappingNotify).
    [[nodiscard]] std::vector<xcb_keysym_t> keyRow(xcb_keycode_t keycode);
    void setKeyRow(xcb_keycode_t keycode, const std::vector<xcb_keysym_t>& keysyms);
    /// The modifier and lock state of the keyboard (Shift, Lock, Mod2...).
    [[nodiscard]] std::uint16_t modifierState();
    /// A window of our own, for probing the window manager.
    xcb_window_t createProbeWindow();
    void destroyWindow(xcb_window_t window);
    /// Unmaps or maps a window behind its owner's back.
    void unmap(xcb_window_t window);
    void map(xcb_window_t window);
    /// Defines a RandR monitor (RandR 1.5). The primary one takes the
    /// server's output, so RandR stops listing that output as a monitor of its
    /// own: the monitors are then exactly the ones defined.
    void addMonitor(const std::string& name, platform::Rect frame, bool primary);
    /// Waits until the server has handled every request sent so far.
    void sync();

private:
    struct Disconnect {
        void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
    };
    [[nodiscard]] std::vector<std::uint32_t> cardinals(xcb_window_t window, const std::string& name,
                                                       xcb_atom_t type);
    void sendRootMessage(xcb_window_t window, const std::string& type,
                         const std::array<std::uint32_t, 5>& data);
    struct KeyboardMap {
        xcb_keycode_t firstKeycode = 0;
        std::uint8_t perKeycode = 0;
        std::vector<xcb_keysym_t> keysyms;
    };
    [[nodiscard]] KeyboardMap keyboardMap();

    std::unique_ptr<xcb_connection_t, Disconnect> connection_;
    xcb_screen_t* screen_ = nullptr;
    std::map<std::string, xcb_atom_t> atoms_;
};

}  // namespace corvane::x11test
