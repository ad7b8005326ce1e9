// The settings' key codes and modifiers as XKB key names, keysyms and X modifier masks.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <xcb/xcb.h>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace corvane::x11 {

/// An XKB key name ("TLDE", "AE01", "FK13"), padded with NULs as the server sends it.
using XkbKeyName = std::array<char, 4>;

/// The XKB name of the physical key a classic Macintosh virtual key code
/// stands for; nullopt for codes without a key.
std::optional<XkbKeyName> xkbKeyNameForMacKeyCode(std::uint32_t keyCode);

/// For servers without XKB: the X keysyms a classic Macintosh virtual key
/// code may produce here (US layout, unshifted), most specific first; empty
/// for codes without a key. F13 to F18 also name what the usual Linux keymaps
/// put on those keys (XF86Tools, XF86Launch5...), since few carry F13 itself.
std::vector<xcb_keysym_t> keysymsForMacKeyCode(std::uint32_t keyCode);

/// The X modifier mask for Carbon modifier bits: Control, Option as Mod1,
/// Shift, Command as Mod4 (the Super keys); right-hand variants count as the
/// left ones, Caps Lock is ignored.
std::uint16_t xModifiers(std::uint32_t carbonModifiers);

/// The modifier masks a hot key is grabbed with besides its own, so it works
/// whatever locks are on: every combination of the modifiers in `lockMask`
/// (Caps Lock's, Num Lock's and Scroll Lock's), none first.
std::vector<std::uint16_t> lockVariants(std::uint16_t lockMask);

/// The modifiers of a key event that can be part of a hot key (locks removed).
std::uint16_t significantModifiers(std::uint16_t state, std::uint16_t lockMask);

}  // namespace corvane::x11
