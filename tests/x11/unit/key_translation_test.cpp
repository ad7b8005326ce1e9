// The Mac key vocabulary translated to XKB key names, keysyms and X masks.
#include <gtest/gtest.h>

#include <X11/XF86keysym.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "corvane/hotkeys/hotkey_manager.h"
#include "key_name.h"
#include "platform/hot_key_service.h"
#include "platform/x11/keys/key_translation.h"

namespace corvane::x11test {
namespace {

namespace modifier = platform::modifier;

struct KeyCase {
    std::uint32_t macKeyCode;
    const char* xkbName;  ///< empty: no such key
    std::vector<xcb_keysym_t> keysyms;
    friend void PrintTo(const KeyCase& testCase, std::ostream* out) {
        *out << "code " << testCase.macKeyCode;
    }
};

class MacKeyCodes : public ::testing::TestWithParam<KeyCase> {};

TEST_P(MacKeyCodes, translateToTheNameAndKeysymsOfTheSameKey) {
    std::optional<x11::XkbKeyName> name;
    if (*GetParam().xkbName != 0) name = keyName(GetParam().xkbName);
    EXPECT_EQ(x11::xkbKeyNameForMacKeyCode(GetParam().macKeyCode), name);
    EXPECT_EQ(x11::keysymsForMacKeyCode(GetParam().macKeyCode), GetParam().keysyms);
}

INSTANTIATE_TEST_SUITE_P(
    Vocabulary, MacKeyCodes,
    ::testing::Values(
        KeyCase{50, "TLDE", {XK_grave}}, KeyCase{48, "TAB", {XK_Tab}}, KeyCase{18, "AE01", {XK_1}},
        KeyCase{19, "AE02", {XK_2}}, KeyCase{20, "AE03", {XK_3}}, KeyCase{21, "AE04", {XK_4}},
        // The Mac numbers its keys by position: 5 sits between 4 and 6 out of order.
        KeyCase{23, "AE05", {XK_5}}, KeyCase{22, "AE06", {XK_6}}, KeyCase{0, "AC01", {XK_a}},
        KeyCase{12, "AD01", {XK_q}}, KeyCase{111, "FK12", {XK_F12}},
        KeyCase{105, "FK13", {XK_F13, XF86XK_Tools}}, KeyCase{107, "FK14", {XK_F14, XF86XK_Launch5}},
        KeyCase{113, "FK15", {XK_F15, XF86XK_Launch6}}, KeyCase{106, "FK16", {XK_F16, XF86XK_Launch7}},
        KeyCase{64, "FK17", {XK_F17, XF86XK_Launch8}}, KeyCase{10, "", {}}, KeyCase{127, "", {}},
        KeyCase{0xFFFF, "", {}}),
    [](const auto& testCase) { return "code" + std::to_string(testCase.param.macKeyCode); });

// The key table names each key as the backend translates its code: the two cannot drift apart.
TEST(KeyTable, namesEachKeyAsTheBackendTranslatesItsCode) {
    std::vector<HotkeyManager::WantedKey> keys;
    for (const auto& choice : HotkeyManager::cycleChoices()) {
        for (const auto& key : HotkeyManager::wantedKeys(choice.id, HotkeyManager::JumpStyle::off))
            keys.push_back(key);
    }
    for (const auto style : HotkeyManager::allJumpStyles()) {
        const auto wanted = HotkeyManager::wantedKeys("", style);
        keys.insert(keys.end(), wanted.begin() + 1, wanted.end());
    }
    for (const auto& key : keys) {
        EXPECT_EQ(x11::xkbKeyNameForMacKeyCode(key.combo.keyCode), keyName(std::string(key.xkbName)))
            << key.trigger;
    }
}

struct ModifierCase {
    std::uint32_t carbon;
    std::uint16_t x;
    friend void PrintTo(const ModifierCase& testCase, std::ostream* out) {
        *out << "carbon " << testCase.carbon;
    }
};

class CarbonModifiers : public ::testing::TestWithParam<ModifierCase> {};

TEST_P(CarbonModifiers, becomeTheXModifiersOfTheSameKeys) {
    EXPECT_EQ(x11::xModifiers(GetParam().carbon), GetParam().x);
}

INSTANTIATE_TEST_SUITE_P(
    Masks, CarbonModifiers,
    ::testing::Values(ModifierCase{0, 0}, ModifierCase{modifier::kControl, XCB_MOD_MASK_CONTROL},
                      ModifierCase{modifier::kOption, XCB_MOD_MASK_1},
                      ModifierCase{modifier::kShift, XCB_MOD_MASK_SHIFT},
                      ModifierCase{modifier::kCommand, XCB_MOD_MASK_4},
                      ModifierCase{modifier::kControl | modifier::kShift | modifier::kOption,
                                   XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_1},
                      ModifierCase{0x0400, 0},                      // Caps Lock never counts
                      ModifierCase{0x8000, XCB_MOD_MASK_CONTROL}),  // right Control
    [](const auto& testCase) { return "carbon" + std::to_string(testCase.param.carbon); });

TEST(LockVariants, coverEveryCombinationOfCapsLockAndNumLock) {
    EXPECT_EQ(x11::lockVariants(XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2),
              (std::vector<std::uint16_t>{0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                          XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2}));
}

TEST(SignificantModifiers, dropTheLocksAndTheButtonsButKeepTheRest) {
    constexpr std::uint16_t kButton1 = XCB_KEY_BUT_MASK_BUTTON_1;
    EXPECT_EQ(x11::significantModifiers(XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2 | kButton1,
                                        XCB_MOD_MASK_2),
              XCB_MOD_MASK_CONTROL);
    // Num Lock on another modifier: Mod2 is then an ordinary modifier.
    EXPECT_EQ(x11::significantModifiers(XCB_MOD_MASK_2 | XCB_MOD_MASK_3, XCB_MOD_MASK_3), XCB_MOD_MASK_2);
}

}  // namespace
}  // namespace corvane::x11test
