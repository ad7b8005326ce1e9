#include "keysym_names.h"

#include <array>
#include <cstdio>
#include <utility>

namespace fake_game {
namespace {

using NamedKeysym = std::pair<std::uint32_t, const char*>;

// Printable Latin-1 punctuation and the usual function keys; enough to read a
// test's log, where Xlib's full table would be a dependency.
constexpr std::array kNamed = {
    NamedKeysym{0x20, "space"},       NamedKeysym{0x21, "exclam"},       NamedKeysym{0x22, "quotedbl"},
    NamedKeysym{0x23, "numbersign"},  NamedKeysym{0x24, "dollar"},       NamedKeysym{0x25, "percent"},
    NamedKeysym{0x26, "ampersand"},   NamedKeysym{0x27, "apostrophe"},   NamedKeysym{0x28, "parenleft"},
    NamedKeysym{0x29, "parenright"},  NamedKeysym{0x2a, "asterisk"},     NamedKeysym{0x2b, "plus"},
    NamedKeysym{0x2c, "comma"},       NamedKeysym{0x2d, "minus"},        NamedKeysym{0x2e, "period"},
    NamedKeysym{0x2f, "slash"},       NamedKeysym{0x3a, "colon"},        NamedKeysym{0x3b, "semicolon"},
    NamedKeysym{0x3c, "less"},        NamedKeysym{0x3d, "equal"},        NamedKeysym{0x3e, "greater"},
    NamedKeysym{0x3f, "question"},    NamedKeysym{0x40, "at"},           NamedKeysym{0x5b, "bracketleft"},
    NamedKeysym{0x5c, "backslash"},   NamedKeysym{0x5d, "bracketright"}, NamedKeysym{0x5e, "asciicircum"},
    NamedKeysym{0x5f, "underscore"},  NamedKeysym{0x60, "grave"},        NamedKeysym{0x7b, "braceleft"},
    NamedKeysym{0x7c, "bar"},         NamedKeysym{0x7d, "braceright"},   NamedKeysym{0x7e, "asciitilde"},
    NamedKeysym{0xff08, "BackSpace"}, NamedKeysym{0xff09, "Tab"},        NamedKeysym{0xff0d, "Return"},
    NamedKeysym{0xff1b, "Escape"},    NamedKeysym{0xff50, "Home"},       NamedKeysym{0xff51, "Left"},
    NamedKeysym{0xff52, "Up"},        NamedKeysym{0xff53, "Right"},      NamedKeysym{0xff54, "Down"},
    NamedKeysym{0xff57, "End"},       NamedKeysym{0xffe1, "Shift_L"},    NamedKeysym{0xffe2, "Shift_R"},
    NamedKeysym{0xffe3, "Control_L"}, NamedKeysym{0xffe4, "Control_R"},  NamedKeysym{0xffe9, "Alt_L"},
    NamedKeysym{0xffea, "Alt_R"},     NamedKeysym{0xffeb, "Super_L"},    NamedKeysym{0xffff, "Delete"},
};

constexpr std::uint32_t kF1 = 0xffbe;
constexpr std::uint32_t kF35 = 0xffe0;

}  // namespace

std::string keysymName(std::uint32_t keysym) {
    const bool alphanumeric = (keysym >= '0' && keysym <= '9') || (keysym >= 'A' && keysym <= 'Z') ||
                              (keysym >= 'a' && keysym <= 'z');
    if (alphanumeric) return std::string(1, static_cast<char>(keysym));
    if (keysym >= kF1 && keysym <= kF35) return "F" + std::to_string(keysym - kF1 + 1);
    for (const auto& [value, name] : kNamed) {
        if (value == keysym) return name;
    }
    std::array<char, 16> hex{};
    std::snprintf(hex.data(), hex.size(), "0x%04x", keysym);
    return hex.data();
}

}  // namespace fake_game
