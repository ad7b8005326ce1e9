#include "platform/x11/keys/xkb_key_names.h"

#include <algorithm>
#include <cstring>

#include "platform/x11/keys/xcb_xkb.h"
#include "platform/x11/wire/events.h"

namespace corvane::x11 {

namespace {

constexpr std::uint16_t kKeyNameParts = XCB_XKB_NAME_DETAIL_KEY_NAMES | XCB_XKB_NAME_DETAIL_KEY_ALIASES;

XkbKeyName keyName(const char (&name)[4]) {
    XkbKeyName result{};
    std::memcpy(result.data(), name, result.size());
    return result;
}

bool unnamed(const XkbKeyName& name) {
    return std::all_of(name.begin(), name.end(), [](char c) { return c == 0; });
}

}  // namespace

std::optional<std::uint8_t> startXkb(const Connection& connection) {
    xcb_connection_t* c = connection.get();
    const Extension& xkb = connection.extensions().xkb;
    if (!xkb.usable) return std::nullopt;

    // An XKB client no longer gets core MappingNotify for a new keyboard: it
    // must ask for these.
    constexpr std::uint16_t kEvents = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY |
                                      XCB_XKB_EVENT_TYPE_NAMES_NOTIFY;
    constexpr std::uint16_t kMapParts =
        XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS | XCB_XKB_MAP_PART_MODIFIER_MAP;
    xcb_xkb_select_events_details_t details{};
    details.affectNewKeyboard = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.affectNames = kKeyNameParts;
    details.namesDetails = kKeyNameParts;
    CheckedCookie selected(c, xcb_xkb_select_events_aux_checked(c, XCB_XKB_ID_USE_CORE_KBD, kEvents, 0, 0,
                                                                kMapParts, kMapParts, &details));
    if (selected.error() != nullptr) return std::nullopt;
    return xkb.firstEvent;
}

bool xkbKeyboardChanged(const xcb_generic_event_t& event) {
    // Every XKB event shares one code; the second byte tells which it is.
    switch (as<xcb_xkb_map_notify_event_t>(event).xkbType) {
        case XCB_XKB_NEW_KEYBOARD_NOTIFY:
        case XCB_XKB_MAP_NOTIFY:
            return true;
        case XCB_XKB_NAMES_NOTIFY:
            return (as<xcb_xkb_names_notify_event_t>(event).changed & kKeyNameParts) != 0;
        default:
            return false;
    }
}

std::optional<XkbKeyNames> XkbKeyNames::read(const Connection& connection) {
    xcb_connection_t* c = connection.get();
    auto cookie =
        makeCookie(c, xcb_xkb_get_names(c, XCB_XKB_ID_USE_CORE_KBD, kKeyNameParts), xcb_xkb_get_names_reply);
    const auto* reply = cookie.get();
    if (reply == nullptr) return std::nullopt;
    xcb_xkb_get_names_value_list_t list{};
    xcb_xkb_get_names_value_list_unpack(xcb_xkb_get_names_value_list(reply), reply->nTypes, reply->indicators,
                                        reply->virtualMods, reply->groupNames, reply->nKeys,
                                        reply->nKeyAliases, reply->nRadioGroups, reply->which, &list);

    XkbKeyNames names;
    const xcb_xkb_key_name_t* keys = xcb_xkb_get_names_value_list_key_names(&list);
    const int keyCount = xcb_xkb_get_names_value_list_key_names_length(reply, &list);
    for (int i = 0; keys != nullptr && i < keyCount; ++i) {
        const XkbKeyName name = keyName(keys[i].name);
        if (!unnamed(name)) names.keys_.emplace_back(name, static_cast<xcb_keycode_t>(reply->firstKey + i));
    }
    const xcb_xkb_key_alias_t* aliases = xcb_xkb_get_names_value_list_key_aliases(&list);
    const int aliasCount = xcb_xkb_get_names_value_list_key_aliases_length(reply, &list);
    for (int i = 0; aliases != nullptr && i < aliasCount; ++i) {
        names.aliases_.emplace_back(keyName(aliases[i].alias), keyName(aliases[i].real));
    }
    return names;
}

std::optional<xcb_keycode_t> XkbKeyNames::keycodeOf(const XkbKeyName& name) const {
    const auto direct = [this](const XkbKeyName& wanted) -> std::optional<xcb_keycode_t> {
        const auto found =
            std::find_if(keys_.begin(), keys_.end(), [&](const auto& key) { return key.first == wanted; });
        if (found == keys_.end()) return std::nullopt;
        return found->second;
    };
    if (const auto keycode = direct(name)) return keycode;
    const auto alias = std::find_if(aliases_.begin(), aliases_.end(),
                                    [&](const auto& entry) { return entry.first == name; });
    if (alias == aliases_.end()) return std::nullopt;
    return direct(alias->second);
}

}  // namespace corvane::x11
