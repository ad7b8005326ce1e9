// XKB on the connection: key names, and hearing when they change.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/xcb.h>

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "platform/x11/keys/key_translation.h"
#include "platform/x11/wire/connection.h"

namespace corvane::x11 {

/// Starts XKB on the connection and asks to hear when keys are renamed or
/// remapped. Returns the event code of XKB events (their kind sits in the
/// second byte); nullopt when the server has no XKB or refuses this client.
std::optional<std::uint8_t> startXkb(const Connection& connection);

/// Whether an XKB event tells of a change hot keys must follow: a new
/// keyboard, new key codes, names or symbols.
bool xkbKeyboardChanged(const xcb_generic_event_t& event);

/// Which key code the keyboard gives each physical key, by XKB key name.
class XkbKeyNames {
public:
    /// The names and aliases as the server has them now; nullopt when it would
    /// not say (startXkb must have succeeded).
    static std::optional<XkbKeyNames> read(const Connection& connection);

    /// The key code of the key called `name`, directly or by an alias.
    [[nodiscard]] std::optional<xcb_keycode_t> keycodeOf(const XkbKeyName& name) const;

private:
    std::vector<std::pair<XkbKeyName, xcb_keycode_t>> keys_;
    /// alias, real name
    std::vector<std::pair<XkbKeyName, XkbKeyName>> aliases_;
};

}  // namespace corvane::x11
