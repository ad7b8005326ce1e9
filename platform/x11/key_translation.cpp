#include "platform/x11/key_translation.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

#include <algorithm>
#include <optional>
#include <utility>

namespace corvane::x11 {

namespace {

using KeyMapping = std::pair<std::uint32_t, xcb_keysym_t>;

/// Apple's kVK_* codes (Events.h) and the keys they sit on with a US layout.
constexpr std::array kMacKeys{
    KeyMapping{0, XK_a},
    KeyMapping{1, XK_s},
    KeyMapping{2, XK_d},
    KeyMapping{3, XK_f},
    KeyMapping{4, XK_h},
    KeyMapping{5, XK_g},
    KeyMapping{6, XK_z},
    KeyMapping{7, XK_x},
    KeyMapping{8, XK_c},
    KeyMapping{9, XK_v},
    KeyMapping{11, XK_b},
    KeyMapping{12, XK_q},
    KeyMapping{13, XK_w},
    KeyMapping{14, XK_e},
    KeyMapping{15, XK_r},
    KeyMapping{16, XK_y},
    KeyMapping{17, XK_t},
    KeyMapping{18, XK_1},
    KeyMapping{19, XK_2},
    KeyMapping{20, XK_3},
    KeyMapping{21, XK_4},
    KeyMapping{22, XK_6},
    KeyMapping{23, XK_5},
    KeyMapping{24, XK_equal},
    KeyMapping{25, XK_9},
    KeyMapping{26, XK_7},
    KeyMapping{27, XK_minus},
    KeyMapping{28, XK_8},
    KeyMapping{29, XK_0},
    KeyMapping{30, XK_bracketright},
    KeyMapping{31, XK_o},
    KeyMapping{32, XK_u},
    KeyMapping{33, XK_bracketleft},
    KeyMapping{34, XK_i},
    KeyMapping{35, XK_p},
    KeyMapping{36, XK_Return},
    KeyMapping{37, XK_l},
    KeyMapping{38, XK_j},
    KeyMapping{39, XK_apostrophe},
    KeyMapping{40, XK_k},
    KeyMapping{41, XK_semicolon},
    KeyMapping{42, XK_backslash},
    KeyMapping{43, XK_comma},
    KeyMapping{44, XK_slash},
    KeyMapping{45, XK_n},
    KeyMapping{46, XK_m},
    KeyMapping{47, XK_period},
    KeyMapping{48, XK_Tab},
    KeyMapping{49, XK_space},
    KeyMapping{50, XK_grave},
    KeyMapping{51, XK_BackSpace},
    KeyMapping{53, XK_Escape},
    KeyMapping{64, XK_F17},
    KeyMapping{65, XK_KP_Decimal},
    KeyMapping{67, XK_KP_Multiply},
    KeyMapping{69, XK_KP_Add},
    KeyMapping{75, XK_KP_Divide},
    KeyMapping{76, XK_KP_Enter},
    KeyMapping{78, XK_KP_Subtract},
    KeyMapping{79, XK_F18},
    KeyMapping{80, XK_F19},
    KeyMapping{81, XK_KP_Equal},
    KeyMapping{82, XK_KP_0},
    KeyMapping{83, XK_KP_1},
    KeyMapping{84, XK_KP_2},
    KeyMapping{85, XK_KP_3},
    KeyMapping{86, XK_KP_4},
    KeyMapping{87, XK_KP_5},
    KeyMapping{88, XK_KP_6},
    KeyMapping{89, XK_KP_7},
    KeyMapping{90, XK_F20},
    KeyMapping{91, XK_KP_8},
    KeyMapping{92, XK_KP_9},
    KeyMapping{96, XK_F5},
    KeyMapping{97, XK_F6},
    KeyMapping{98, XK_F7},
    KeyMapping{99, XK_F3},
    KeyMapping{100, XK_F8},
    KeyMapping{101, XK_F9},
    KeyMapping{103, XK_F11},
    KeyMapping{105, XK_F13},
    KeyMapping{106, XK_F16},
    KeyMapping{107, XK_F14},
    KeyMapping{109, XK_F10},
    KeyMapping{111, XK_F12},
    KeyMapping{113, XK_F15},
    KeyMapping{114, XK_Insert},
    KeyMapping{115, XK_Home},
    KeyMapping{116, XK_Prior},
    KeyMapping{117, XK_Delete},
    KeyMapping{118, XK_F4},
    KeyMapping{119, XK_End},
    KeyMapping{120, XK_F2},
    KeyMapping{121, XK_Next},
    KeyMapping{122, XK_F1},
    KeyMapping{123, XK_Left},
    KeyMapping{124, XK_Right},
    KeyMapping{125, XK_Down},
    KeyMapping{126, XK_Up},
};

/// The keysyms the evdev keymaps ("inet" symbols) give the F13 to F18 keys.
constexpr std::array kFunctionKeyAliases{
    KeyMapping{105, XF86XK_Tools},   KeyMapping{107, XF86XK_Launch5}, KeyMapping{113, XF86XK_Launch6},
    KeyMapping{106, XF86XK_Launch7}, KeyMapping{64, XF86XK_Launch8},  KeyMapping{79, XF86XK_Launch9},
};

template <std::size_t N>
std::optional<xcb_keysym_t> lookUp(const std::array<KeyMapping, N>& table, std::uint32_t keyCode) {
    const auto* found =
        std::find_if(table.begin(), table.end(), [keyCode](const auto& key) { return key.first == keyCode; });
    if (found == table.end()) return std::nullopt;
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
    if (const auto keysym = lookUp(kMacKeys, keyCode)) keysyms.push_back(*keysym);
    if (const auto alias = lookUp(kFunctionKeyAliases, keyCode)) keysyms.push_back(*alias);
    return keysyms;
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

std::array<std::uint16_t, 4> lockVariants(std::uint16_t numLockMask) {
    const auto both = static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | numLockMask);
    return {0, XCB_MOD_MASK_LOCK, numLockMask, both};
}

std::uint16_t significantModifiers(std::uint16_t state, std::uint16_t numLockMask) {
    return static_cast<std::uint16_t>(state & kHotKeyModifiers & ~numLockMask);
}

}  // namespace corvane::x11
