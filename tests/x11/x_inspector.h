#pragma once

#include <xcb/xcb.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
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
    struct Disconnect {
        void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
    };

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
    [[nodiscard]] xcb_window_t inputFocus() const;
    [[nodiscard]] std::optional<std::uint32_t> pid(xcb_window_t window);
    [[nodiscard]] std::optional<WmClass> wmClass(xcb_window_t window) const;
    [[nodiscard]] std::optional<std::string> utf8Property(xcb_window_t window, const std::string& name);
    [[nodiscard]] bool isViewable(xcb_window_t window) const;
    /// A property of atoms (_NET_WM_STATE, _NET_WM_WINDOW_TYPE...); empty when missing.
    [[nodiscard]] std::vector<xcb_atom_t> atomList(xcb_window_t window, const std::string& name);
    [[nodiscard]] std::vector<xcb_window_t> topLevelWindowsOf(std::uint32_t processId);
    /// The colour the screen shows at a root pixel, as 0xRRGGBB.
    [[nodiscard]] std::optional<std::uint32_t> pixelAt(int rootX, int rootY) const;
    /// The colour of a pixel of a window's own content, wherever it shows: a
    /// rootless X server (XWayland) draws nothing on the root.
    [[nodiscard]] std::optional<std::uint32_t> windowPixel(xcb_window_t window, int x, int y) const;
    /// Every window of the tree below the root, parents before their children:
    /// clients inside their window manager's frames too.
    [[nodiscard]] std::vector<xcb_window_t> allWindows() const;
    /// left, right, top, bottom
    [[nodiscard]] std::optional<std::array<std::uint32_t, 4>> frameExtents(xcb_window_t window);
    /// The client area in root coordinates.
    [[nodiscard]] std::optional<platform::Rect> clientRect(xcb_window_t window) const;
    /// The root's child whose WM_NAME is `name` (an unmanaged window: a menu, an overlay).
    [[nodiscard]] std::optional<xcb_window_t> childNamed(const std::string& name) const;
    /// Every such child, bottom to top.
    [[nodiscard]] std::vector<xcb_window_t> childrenNamed(const std::string& name) const;
    /// The root's child that holds `window`: the window manager's frame, if any.
    [[nodiscard]] xcb_window_t topLevelOf(xcb_window_t window) const;
    /// Whether `upper` is stacked above `lower`, each by the root's child that holds it.
    [[nodiscard]] bool stackedAbove(xcb_window_t upper, xcb_window_t lower) const;
    /// The outer frame in root coordinates: client area plus _NET_FRAME_EXTENTS.
    [[nodiscard]] std::optional<platform::Rect> outerFrame(xcb_window_t window);

    // Acting as the user and the pager.
    /// A _NET_ACTIVE_WINDOW request with source 2 (pager: the user's choice).
    void activate(xcb_window_t window);
    /// Moves the client area through the window manager (static gravity).
    void moveClient(xcb_window_t window, platform::Rect client);
    /// A _NET_CLOSE_WINDOW request: the window manager sends WM_DELETE_WINDOW.
    void close(xcb_window_t window);
    /// Moves the pointer to a root position and clicks a button there (XTEST).
    void click(int rootX, int rootY, std::uint8_t button = 1) const;
    /// Presses button 1 at `from`, moves to `to` in steps and releases it there.
    void drag(std::pair<int, int> from, std::pair<int, int> to) const;
    /// Presses and releases the key of `keysym` with XTEST.
    void typeKey(xcb_keysym_t keysym) { typeChord({keysym}); }
    /// Presses the keys in order and releases them in reverse (modifiers first).
    void typeChord(const std::vector<xcb_keysym_t>& keysyms);
    /// The same by key code, whatever keysyms they carry.
    void typeKeycodes(const std::vector<xcb_keycode_t>& keycodes) const;
    /// Whether some client holds a passive grab of the key with exactly these
    /// modifiers: ours is refused then (and let go again when it is not).
    [[nodiscard]] bool keyGrabbed(xcb_keycode_t keycode, std::uint16_t modifiers) const;
    [[nodiscard]] std::optional<xcb_keycode_t> keycodeOf(xcb_keysym_t keysym);
    /// The keysyms of one key code, and replacing them (the server tells
    /// every client with a MappingNotify).
    [[nodiscard]] std::vector<xcb_keysym_t> keyRow(xcb_keycode_t keycode);
    void setKeyRow(xcb_keycode_t keycode, const std::vector<xcb_keysym_t>& keysyms);
    /// The key codes in each of the eight modifiers (Shift, Lock, Control, Mod1 to Mod5),
    /// and replacing them (the server tells every client with a MappingNotify).
    [[nodiscard]] std::array<std::vector<xcb_keycode_t>, 8> modifierMap() const;
    void setModifierMap(const std::array<std::vector<xcb_keycode_t>, 8>& modifiers) const;
    /// The modifier and lock state of the keyboard (Shift, Lock, Mod2...).
    [[nodiscard]] std::uint16_t modifierState() const;
    /// A window of our own, for probing the window manager.
    xcb_window_t createProbeWindow();
    void destroyWindow(xcb_window_t window) const;
    /// Unmaps or maps a window behind its owner's back.
    void unmap(xcb_window_t window) const;
    void map(xcb_window_t window) const;
    /// Defines a RandR monitor (RandR 1.5). The primary one takes the
    /// server's output, so RandR stops listing that output as a monitor of its
    /// own: the monitors are then exactly the ones defined.
    void addMonitor(const std::string& name, platform::Rect frame, bool primary);
    /// Removes the monitor `addMonitor` made, as an unplugged one goes.
    void removeMonitor(const std::string& name);
    /// Waits until the server has handled every request sent so far.
    void sync() const;
    /// Counts the times `window` is unmapped from now on, on a connection of its own.
    class UnmapWatch {
    public:
        UnmapWatch(const std::string& display, xcb_window_t window);
        /// The unmaps so far, once the server has sent all it has.
        int count();

    private:
        std::unique_ptr<xcb_connection_t, Disconnect> connection_;
        xcb_window_t window_;
        int count_ = 0;
    };
    [[nodiscard]] UnmapWatch watchUnmaps(xcb_window_t window) const { return {display_, window}; }
    /// True once `window`'s client answered a _NET_WM_PING: it has then handled
    /// every event sent to it before, and sent what they made it send.
    bool answersPing(xcb_window_t window);

private:
    [[nodiscard]] std::vector<std::uint32_t> cardinals(xcb_window_t window, const std::string& name,
                                                       xcb_atom_t type);
    void sendRootMessage(xcb_window_t window, const std::string& type,
                         const std::array<std::uint32_t, 5>& data);
    struct KeyboardMap {
        xcb_keycode_t firstKeycode = 0;
        std::uint8_t perKeycode = 0;
        std::vector<xcb_keysym_t> keysyms;
    };
    [[nodiscard]] KeyboardMap keyboardMap() const;

    std::string display_;
    std::unique_ptr<xcb_connection_t, Disconnect> connection_;
    xcb_screen_t* screen_ = nullptr;
    std::map<std::string, xcb_atom_t> atoms_;
};

/// Key codes of Xvfb's default keyboard ("evdev" key codes, "pc+us+inet"
/// symbols): F13 to F17 carry XF86Tools, XF86Launch5 to XF86Launch8 there, as
/// on the usual PC keymaps, and XF86Tools is on key code 179 as well.
namespace evdev {
inline constexpr xcb_keycode_t kF13 = 191;  ///< <FK13>; F14 to F17 follow it
inline constexpr xcb_keycode_t kF14 = 192;
inline constexpr xcb_keycode_t kTools = 179;  ///< <I179>, a media key
inline constexpr xcb_keycode_t kDigit3 = 12;  ///< <AE03>
}  // namespace evdev

/// Gives a key code other keysyms (none: the keyboard lacks that key) for the
/// life of this object.
class ReplacedKeyRow {
public:
    ReplacedKeyRow(XInspector& x, xcb_keycode_t keycode, const std::vector<xcb_keysym_t>& keysyms)
        : x_(x), keycode_(keycode), row_(x.keyRow(keycode)) {
        x_.setKeyRow(keycode_, keysyms);
    }
    ReplacedKeyRow(const ReplacedKeyRow&) = delete;
    ReplacedKeyRow& operator=(const ReplacedKeyRow&) = delete;
    ~ReplacedKeyRow() { x_.setKeyRow(keycode_, row_); }

private:
    XInspector& x_;
    xcb_keycode_t keycode_;
    std::vector<xcb_keysym_t> row_;
};

/// Makes the key of `keysym` a lock key of modifier `index` (0 Shift ... 7
/// Mod5) and turns its lock on, as some layouts do with Scroll Lock, for the
/// life of this object; then off and the modifier map as it was.
class LockedModifierKey {
public:
    LockedModifierKey(XInspector& x, xcb_keysym_t keysym, std::size_t index)
        : x_(x), keysym_(keysym), mask_(static_cast<std::uint16_t>(1U << index)), map_(x.modifierMap()) {
        auto changed = map_;
        if (const auto keycode = x.keycodeOf(keysym)) changed.at(index).push_back(*keycode);
        x_.setModifierMap(changed);
        x_.typeKey(keysym_);
    }
    LockedModifierKey(const LockedModifierKey&) = delete;
    LockedModifierKey& operator=(const LockedModifierKey&) = delete;
    ~LockedModifierKey() {
        // A destructor that throws would end the test run: a server gone by now has nothing to restore.
        try {
            if ((x_.modifierState() & mask_) != 0) x_.typeKey(keysym_);
            x_.setModifierMap(map_);
        } catch (...) {  // NOLINT(bugprone-empty-catch)
        }
    }
    [[nodiscard]] bool on() { return (x_.modifierState() & mask_) != 0; }

private:
    XInspector& x_;
    xcb_keysym_t keysym_;
    std::uint16_t mask_;
    std::array<std::vector<xcb_keycode_t>, 8> map_;
};

}  // namespace corvane::x11test
