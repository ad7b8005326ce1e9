#include "platform/x11/keys/x11_hot_keys.h"

#include <X11/keysym.h>

#include <algorithm>

#include "platform/x11/keys/key_translation.h"
#include "platform/x11/wire/events.h"

namespace corvane::x11 {

namespace {

constexpr std::uint8_t kBadAccess = 10;

struct Combination {
    xcb_keycode_t keycode = 0;
    std::uint16_t modifiers = 0;
};

}  // namespace

X11HotKeys::X11HotKeys(const Connection& connection, EventLoop& loop)
    : connection_(connection), symbols_(xcb_key_symbols_alloc(connection.get())) {
    if (const auto xkbEvent = startXkb(connection)) {
        xkb_ = true;
        keyNames_ = XkbKeyNames::read(connection);
        xkbNotify_ = loop.subscribe(*xkbEvent, [this](const xcb_generic_event_t& event) {
            if (xkbKeyboardChanged(event)) keyboardChanged();
        });
    }
    lockMask_ = findLockMask();
    keyPress_ = loop.subscribe(XCB_KEY_PRESS, [this](const xcb_generic_event_t& event) {
        onKeyPress(as<xcb_key_press_event_t>(event));
    });
    keyRelease_ = loop.subscribe(XCB_KEY_RELEASE, [this](const xcb_generic_event_t& event) {
        onKeyRelease(as<xcb_key_release_event_t>(event));
    });
    mappingNotify_ = loop.subscribe(XCB_MAPPING_NOTIFY, [this](const xcb_generic_event_t& event) {
        onMappingNotify(as<xcb_mapping_notify_event_t>(event));
    });
}

X11HotKeys::~X11HotKeys() {
    if (connection_.broken()) return;
    for (const auto& [ref, registration] : registrations_) ungrab(registration);
    connection_.flush();
}

std::optional<platform::HotKeyHandlerRef> X11HotKeys::installHandler(platform::HotKeyHandler handler) {
    if (handler_) return std::nullopt;
    const platform::HotKeyHandlerRef ref = nextHandlerRef_++;
    handler_.emplace(ref, std::move(handler));
    return ref;
}

void X11HotKeys::removeHandler(platform::HotKeyHandlerRef handler) {
    if (handler_ && handler_->first == handler) handler_.reset();
}

platform::HotKeyRegistration X11HotKeys::registerHotKey(std::uint32_t keyCode, std::uint32_t modifiers,
                                                        platform::HotKeyID id) {
    Registration registration{keyCode, xModifiers(modifiers), id, keycodesForKey(keyCode)};
    if (registration.keycodes.empty()) return {platform::kHotKeyInvalidError, std::nullopt};
    // One program holding a combination twice would have both presses land on one id.
    const bool alreadyHeld =
        std::any_of(registrations_.begin(), registrations_.end(), [&](const auto& entry) {
            return entry.second.keyCode == registration.keyCode &&
                   entry.second.modifiers == registration.modifiers;
        });
    if (alreadyHeld) return {platform::kHotKeyExistsError, std::nullopt};

    const platform::HotKeyStatus status = grab(registration);
    if (status != platform::kHotKeyNoError) return {status, std::nullopt};
    const platform::HotKeyRef ref = nextRef_++;
    registrations_.emplace(ref, std::move(registration));
    return {platform::kHotKeyNoError, ref};
}

void X11HotKeys::unregisterHotKey(platform::HotKeyRef ref) {
    const auto found = registrations_.find(ref);
    if (found == registrations_.end()) return;
    ungrab(found->second);
    registrations_.erase(found);
    connection_.flush();
}

std::vector<xcb_keycode_t> X11HotKeys::keycodesFor(xcb_keysym_t keysym) const {
    const XcbPtr<xcb_keycode_t> codes{xcb_key_symbols_get_keycode(symbols_.get(), keysym)};
    std::vector<xcb_keycode_t> result;
    for (const xcb_keycode_t* code = codes.get(); code != nullptr && *code != XCB_NO_SYMBOL; ++code) {
        if (std::find(result.begin(), result.end(), *code) == result.end()) result.push_back(*code);
    }
    return result;
}

std::vector<xcb_keycode_t> X11HotKeys::keycodesFor(const std::vector<xcb_keysym_t>& keysyms) const {
    for (const xcb_keysym_t keysym : keysyms) {
        auto keycodes = keycodesFor(keysym);
        if (!keycodes.empty()) return keycodes;
    }
    return {};
}

std::vector<xcb_keycode_t> X11HotKeys::keycodesForKey(std::uint32_t keyCode) const {
    if (!keyNames_) return keycodesFor(keysymsForMacKeyCode(keyCode));
    const auto name = xkbKeyNameForMacKeyCode(keyCode);
    if (!name) return {};
    const auto keycode = keyNames_->keycodeOf(*name);
    // A key the layout leaves blank is one the user's keyboard lacks.
    if (!keycode || !carriesKeysym(*keycode)) return {};
    return {*keycode};
}

bool X11HotKeys::carriesKeysym(xcb_keycode_t keycode) const {
    // Columns past the key's row read as NoSymbol.
    for (int column = 0; column <= 0xFF; ++column) {
        if (xcb_key_symbols_get_keysym(symbols_.get(), keycode, column) != XCB_NO_SYMBOL) return true;
    }
    return false;
}

std::uint16_t X11HotKeys::findLockMask() const {
    xcb_connection_t* c = connection_.get();
    auto mapping = makeCookie(c, xcb_get_modifier_mapping(c), xcb_get_modifier_mapping_reply);
    const auto* reply = mapping.get();
    // As sxhkd does: Num Lock and Scroll Lock are whichever modifiers their keys are in.
    const auto modifierOf = [&](xcb_keysym_t keysym) -> std::uint16_t {
        const auto keys = keycodesFor(keysym);
        if (reply == nullptr || keys.empty()) return 0;
        const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(reply);
        const int perModifier = reply->keycodes_per_modifier;
        for (int modifier = 0; modifier < 8; ++modifier) {
            for (int i = 0; i < perModifier; ++i) {
                if (std::find(keys.begin(), keys.end(), codes[modifier * perModifier + i]) != keys.end()) {
                    return static_cast<std::uint16_t>(1U << static_cast<unsigned>(modifier));
                }
            }
        }
        return 0;
    };
    std::uint16_t numLock = modifierOf(XK_Num_Lock);
    if (numLock == 0) numLock = XCB_MOD_MASK_2;
    return static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | numLock | modifierOf(XK_Scroll_Lock));
}

platform::HotKeyStatus X11HotKeys::grab(const Registration& registration) {
    xcb_connection_t* c = connection_.get();
    std::vector<std::pair<Combination, CheckedCookie>> grabs;
    for (const xcb_keycode_t keycode : registration.keycodes) {
        for (const std::uint16_t lock : lockVariants(lockMask_)) {
            const Combination combination{keycode, static_cast<std::uint16_t>(registration.modifiers | lock)};
            grabs.emplace_back(
                combination,
                CheckedCookie(c, xcb_grab_key_checked(c, 1, connection_.root(), combination.modifiers,
                                                      keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));
        }
    }
    platform::HotKeyStatus status = platform::kHotKeyNoError;
    std::vector<Combination> grabbed;
    for (auto& [combination, cookie] : grabs) {
        const auto* error = cookie.error();
        if (error == nullptr) {
            grabbed.push_back(combination);
        } else if (error->error_code == kBadAccess) {
            status = platform::kHotKeyExistsError;  // another program holds it
        } else if (status == platform::kHotKeyNoError) {
            status = platform::kHotKeyInvalidError;
        }
    }
    if (status != platform::kHotKeyNoError) {
        for (const auto& combination : grabbed) {
            xcb_ungrab_key(c, combination.keycode, connection_.root(), combination.modifiers);
        }
        connection_.flush();
    }
    return status;
}

void X11HotKeys::ungrab(const Registration& registration) {
    for (const xcb_keycode_t keycode : registration.keycodes) {
        for (const std::uint16_t lock : lockVariants(lockMask_)) {
            xcb_ungrab_key(connection_.get(), keycode, connection_.root(),
                           static_cast<std::uint16_t>(registration.modifiers | lock));
        }
    }
}

void X11HotKeys::regrabAll() {
    for (const auto& [ref, registration] : registrations_) ungrab(registration);
    lockMask_ = findLockMask();
    for (auto& [ref, registration] : registrations_) {
        registration.keycodes = keycodesForKey(registration.keyCode);
        // A combination another program took meanwhile stays registered but silent,
        // as it would be if that program had grabbed it after us.
        static_cast<void>(grab(registration));
    }
    connection_.flush();
}

void X11HotKeys::onKeyPress(const xcb_key_press_event_t& event) {
    if (lastRelease_ && lastRelease_->first == event.detail && lastRelease_->second == event.time) {
        return;  // auto-repeat: a hot key fires once per press
    }
    const std::uint16_t modifiers = significantModifiers(event.state, lockMask_);
    for (const auto& [ref, registration] : registrations_) {
        const auto& codes = registration.keycodes;
        if (registration.modifiers != modifiers ||
            std::find(codes.begin(), codes.end(), event.detail) == codes.end()) {
            continue;
        }
        if (handler_) {
            const platform::HotKeyEvent hotKeyEvent{registration.id};
            // Copied: the handler may remove itself or re-register keys while it runs.
            const platform::HotKeyHandler handler = handler_->second;
            handler(&hotKeyEvent);
        }
        return;
    }
}

void X11HotKeys::onKeyRelease(const xcb_key_release_event_t& event) {
    lastRelease_.emplace(event.detail, event.time);
}

void X11HotKeys::onMappingNotify(const xcb_mapping_notify_event_t& event) {
    if (event.request != XCB_MAPPING_POINTER) keyboardChanged();
}

void X11HotKeys::keyboardChanged() {
    // Fetched again rather than patched: XKB's events say less than MappingNotify.
    symbols_.reset(xcb_key_symbols_alloc(connection_.get()));
    if (xkb_) keyNames_ = XkbKeyNames::read(connection_);
    regrabAll();
}

}  // namespace corvane::x11
