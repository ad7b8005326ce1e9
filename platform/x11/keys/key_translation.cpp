#include "platform/x11/keys/key_translation.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>

namespace corvane::x11 {

namespace {

using KeyMapping = std::pair<std::uint32_t, xcb_keysym_t>;

struct MacKey {
    std::uint32_t code;
    xcb_keysym_t keysym;
    std::string_view name;
};

/// Apple's kVK_* codes (Events.h), what a US layout puts on those keys, and
/// the names XKB keycode maps give the same physical keys.
constexpr std::array kMacKeys{
    MacKey{0, XK_a, "AC01"},
    MacKey{1, XK_s, "AC02"},
    MacKey{2, XK_d, "AC03"},
    MacKey{3, XK_f, "AC04"},
    MacKey{4, XK_h, "AC06"},
    MacKey{5, XK_g, "AC05"},
    MacKey{6, XK_z, "AB01"},
    MacKey{7, XK_x, "AB02"},
    MacKey{8, XK_c, "AB03"},
    MacKey{9, XK_v, "AB04"},
    MacKey{11, XK_b, "AB05"},
    MacKey{12, XK_q, "AD01"},
    MacKey{13, XK_w, "AD02"},
    MacKey{14, XK_e, "AD03"},
    MacKey{15, XK_r, "AD04"},
    MacKey{16, XK_y, "AD06"},
    MacKey{17, XK_t, "AD05"},
    MacKey{18, XK_1, "AE01"},
    MacKey{19, XK_2, "AE02"},
    MacKey{20, XK_3, "AE03"},
    MacKey{21, XK_4, "AE04"},
    MacKey{22, XK_6, "AE06"},
    MacKey{23, XK_5, "AE05"},
    MacKey{24, XK_equal, "AE12"},
    MacKey{25, XK_9, "AE09"},
    MacKey{26, XK_7, "AE07"},
    MacKey{27, XK_minus, "AE11"},
    MacKey{28, XK_8, "AE08"},
    MacKey{29, XK_0, "AE10"},
    MacKey{30, XK_bracketright, "AD12"},
    MacKey{31, XK_o, "AD09"},
    MacKey{32, XK_u, "AD07"},
    MacKey{33, XK_bracketleft, "AD11"},
    MacKey{34, XK_i, "AD08"},
    MacKey{35, XK_p, "AD10"},
    MacKey{36, XK_Return, "RTRN"},
    MacKey{37, XK_l, "AC09"},
    MacKey{38, XK_j, "AC07"},
    MacKey{39, XK_apostrophe, "AC11"},
    MacKey{40, XK_k, "AC08"},
    MacKey{41, XK_semicolon, "AC10"},
    MacKey{42, XK_backslash, "BKSL"},
    MacKey{43, XK_comma, "AB08"},
    MacKey{44, XK_slash, "AB10"},
    MacKey{45, XK_n, "AB06"},
    MacKey{46, XK_m, "AB07"},
    MacKey{47, XK_period, "AB09"},
    MacKey{48, XK_Tab, "TAB"},
    MacKey{49, XK_space, "SPCE"},
    MacKey{50, XK_grave, "TLDE"},
    MacKey{51, XK_BackSpace, "BKSP"},
    MacKey{53, XK_Escape, "ESC"},
    MacKey{64, XK_F17, "FK17"},
    MacKey{65, XK_KP_Decimal, "KPDL"},
    MacKey{67, XK_KP_Multiply, "KPMU"},
    MacKey{69, XK_KP_Add, "KPAD"},
    MacKey{75, XK_KP_Divide, "KPDV"},
    MacKey{76, XK_KP_Enter, "KPEN"},
    MacKey{78, XK_KP_Subtract, "KPSU"},
    MacKey{79, XK_F18, "FK18"},
    MacKey{80, XK_F19, "FK19"},
    MacKey{81, XK_KP_Equal, "KPEQ"},
    MacKey{82, XK_KP_0, "KP0"},
    MacKey{83, XK_KP_1, "KP1"},
    MacKey{84, XK_KP_2, "KP2"},
    MacKey{85, XK_KP_3, "KP3"},
    MacKey{86, XK_KP_4, "KP4"},
    MacKey{87, XK_KP_5, "KP5"},
    MacKey{88, XK_KP_6, "KP6"},
    MacKey{89, XK_KP_7, "KP7"},
    MacKey{90, XK_F20, "FK20"},
    MacKey{91, XK_KP_8, "KP8"},
    MacKey{92, XK_KP_9, "KP9"},
    MacKey{96, XK_F5, "FK05"},
    MacKey{97, XK_F6, "FK06"},
    MacKey{98, XK_F7, "FK07"},
    MacKey{99, XK_F3, "FK03"},
    MacKey{100, XK_F8, "FK08"},
    MacKey{101, XK_F9, "FK09"},
    MacKey{103, XK_F11, "FK11"},
    MacKey{105, XK_F13, "FK13"},
    MacKey{106, XK_F16, "FK16"},
    MacKey{107, XK_F14, "FK14"},
    MacKey{109, XK_F10, "FK10"},
    MacKey{111, XK_F12, "FK12"},
    MacKey{113, XK_F15, "FK15"},
    MacKey{114, XK_Insert, "INS"},
    MacKey{115, XK_Home, "HOME"},
    MacKey{116, XK_Prior, "PGUP"},
    MacKey{117, XK_Delete, "DELE"},
    MacKey{118, XK_F4, "FK04"},
    MacKey{119, XK_End, "END"},
    MacKey{120, XK_F2, "FK02"},
    MacKey{121, XK_Next, "PGDN"},
    MacKey{122, XK_F1, "FK01"},
    MacKey{123, XK_Left, "LEFT"},
    MacKey{124, XK_Right, "RGHT"},
    MacKey{125, XK_Down, "DOWN"},
    MacKey{126, XK_Up, "UP"},
};

/// The keysyms the evdev keymaps ("inet" symbols) give the F13 to F18 keys.
constexpr std::array kFunctionKeyAliases{
    KeyMapping{105, XF86XK_Tools},   KeyMapping{107, XF86XK_Launch5}, KeyMapping{113, XF86XK_Launch6},
    KeyMapping{106, XF86XK_Launch7}, KeyMapping{64, XF86XK_Launch8},  KeyMapping{79, XF86XK_Launch9},
};

const MacKey* findMacKey(std::uint32_t keyCode) {
    const auto* found = std::find_if(kMacKeys.begin(), kMacKeys.end(),
                                     [keyCode](const MacKey& key) { return key.code == keyCode; });
    return found == kMacKeys.end() ? nullptr : found;
}

std::optional<xcb_keysym_t> functionKeyAlias(std::uint32_t keyCode) {
    const auto* found = std::find_if(kFunctionKeyAliases.begin(), kFunctionKeyAliases.end(),
                                     [keyCode](const KeyMapping& key) { return key.first == keyCode; });
    if (found == kFunctionKeyAliases.end()) return std::nullopt;
    return found->second;
}

namespace carbon {
constexpr std::uint32_t kCommand = 0x0100;
constexpr std::uint32_t kShift = 0x0200;
constexpr std::uint32_t kOption = 0x0800;
constexpr std::uint32_t kControl = 0x1000;
constexpr std::uint32_t kRightShift = 0x2000;
constexpr std::uint32_t kRightOption = 0x4000;
constexpr std::uint32_t kRightControl = 0x8000;
}  // namespace carbon

constexpr std::uint16_t kHotKeyModifiers = XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 |
                                           XCB_MOD_MASK_2 | XCB_MOD_MASK_3 | XCB_MOD_MASK_4 | XCB_MOD_MASK_5;

}  // namespace

std::vector<xcb_keysym_t> keysymsForMacKeyCode(std::uint32_t keyCode) {
    std::vector<xcb_keysym_t> keysyms;
    if (const auto* key = findMacKey(keyCode)) keysyms.push_back(key->keysym);
    if (const auto alias = functionKeyAlias(keyCode)) keysyms.push_back(*alias);
    return keysyms;
}

std::optional<XkbKeyName> xkbKeyNameForMacKeyCode(std::uint32_t keyCode) {
    const auto* key = findMacKey(keyCode);
    if (key == nullptr) return std::nullopt;
    XkbKeyName name{};
    std::copy_n(key->name.begin(), std::min(key->name.size(), name.size()), name.begin());
    return name;
}

std::uint16_t xModifiers(std::uint32_t carbonModifiers) {
    std::uint16_t mask = 0;
    if ((carbonModifiers & (carbon::kControl | carbon::kRightControl)) != 0) {
        mask |= XCB_MOD_MASK_CONTROL;
    }
    if ((carbonModifiers & (carbon::kOption | carbon::kRightOption)) != 0) mask |= XCB_MOD_MASK_1;
    if ((carbonModifiers & (carbon::kShift | carbon::kRightShift)) != 0) mask |= XCB_MOD_MASK_SHIFT;
    if ((carbonModifiers & carbon::kCommand) != 0) mask |= XCB_MOD_MASK_4;
    return mask;
}

std::vector<std::uint16_t> lockVariants(std::uint16_t lockMask) {
    std::vector<std::uint16_t> variants;
    // Every subset of the mask, counted up: none first, each once.
    for (std::uint32_t subset = 0;; subset = (subset - lockMask) & lockMask) {
        variants.push_back(static_cast<std::uint16_t>(subset));
        if (subset == lockMask) break;
    }
    return variants;
}

std::uint16_t significantModifiers(std::uint16_t state, std::uint16_t lockMask) {
    return static_cast<std::uint16_t>(state & kHotKeyModifiers & ~lockMask);
}

}  // namespace corvane::x11
