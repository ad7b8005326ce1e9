// The hot-key service on X11: passive key grabs on the root window.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/hot_key_service.h"
#include "platform/x11/keys/xkb_key_names.h"
#include "platform/x11/wire/connection.h"
#include "platform/x11/wire/event_loop.h"

namespace corvane::x11 {

/// System-wide hot keys as passive key grabs on the root window. A key code
/// names a physical key: it is grabbed on the key code the server's XKB names
/// give that key, whatever symbols the layout puts there (without XKB, on the
/// key codes that carry its keysym), with every combination of Caps Lock,
/// Num Lock and Scroll Lock, and grabbed again whenever the keyboard changes. Presses reach
/// the handler from the main loop.
class X11HotKeys final : public platform::HotKeyService {
public:
    X11HotKeys(const Connection& connection, EventLoop& loop);
    ~X11HotKeys() override;
    X11HotKeys(const X11HotKeys&) = delete;
    X11HotKeys& operator=(const X11HotKeys&) = delete;
    X11HotKeys(X11HotKeys&&) = delete;
    X11HotKeys& operator=(X11HotKeys&&) = delete;

    /// Refused (nullopt) while another handler is installed.
    std::optional<platform::HotKeyHandlerRef> installHandler(platform::HotKeyHandler handler) override;
    void removeHandler(platform::HotKeyHandlerRef handler) override;
    /// kHotKeyInvalidError when this keyboard lacks the key, or the key carries no
    /// symbol; kHotKeyExistsError when another program (or this one) holds the combination.
    platform::HotKeyRegistration registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                                platform::HotKeyID id) override;
    void unregisterHotKey(platform::HotKeyRef ref) override;

private:
    struct Registration {
        std::uint32_t keyCode = 0;    ///< the Mac virtual key code
        std::uint16_t modifiers = 0;  ///< X modifier mask
        platform::HotKeyID id;
        std::vector<xcb_keycode_t> keycodes;
    };
    struct KeySymbolsDeleter {
        void operator()(xcb_key_symbols_t* symbols) const { xcb_key_symbols_free(symbols); }
    };

    [[nodiscard]] std::vector<xcb_keycode_t> keycodesFor(xcb_keysym_t keysym) const;
    /// The key codes of the first candidate keysym that is on the keyboard.
    [[nodiscard]] std::vector<xcb_keycode_t> keycodesFor(const std::vector<xcb_keysym_t>& keysyms) const;
    /// Where the physical key of a Mac key code is now; empty when this keyboard lacks it.
    [[nodiscard]] std::vector<xcb_keycode_t> keycodesForKey(std::uint32_t keyCode) const;
    [[nodiscard]] bool carriesKeysym(xcb_keycode_t keycode) const;
    /// Caps Lock's modifier, Num Lock's (Mod2 where no key has it) and Scroll Lock's where it has one.
    [[nodiscard]] std::uint16_t findLockMask() const;
    /// Grabs every key code and lock variant; the status tells whether all succeeded.
    platform::HotKeyStatus grab(const Registration& registration);
    void ungrab(const Registration& registration);
    void regrabAll();
    void onKeyPress(const xcb_key_press_event_t& event);
    void onKeyRelease(const xcb_key_release_event_t& event);
    void onMappingNotify(const xcb_mapping_notify_event_t& event);
    /// Reads the keyboard afresh (names, symbols, lock modifiers) and grabs again.
    void keyboardChanged();

    const Connection& connection_;
    std::unique_ptr<xcb_key_symbols_t, KeySymbolsDeleter> symbols_;
    bool xkb_ = false;
    /// nullopt without XKB: keys are then found by their keysyms.
    std::optional<XkbKeyNames> keyNames_;
    std::uint16_t lockMask_ = XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2;
    std::map<platform::HotKeyRef, Registration> registrations_;
    platform::HotKeyRef nextRef_ = 1;
    std::optional<std::pair<platform::HotKeyHandlerRef, platform::HotKeyHandler>> handler_;
    platform::HotKeyHandlerRef nextHandlerRef_ = 1;
    /// The last release seen: a press with the same key and time is the key repeating.
    std::optional<std::pair<xcb_keycode_t, xcb_timestamp_t>> lastRelease_;
    Subscription keyPress_;
    Subscription keyRelease_;
    Subscription mappingNotify_;
    Subscription xkbNotify_;
};

}  // namespace corvane::x11
