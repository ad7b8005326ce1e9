// Hot keys on a real X server: the service's grabs, where other programs may
// hold a combination first, and the keyboard's XKB key names.
#include <gtest/gtest.h>

#include <X11/XF86keysym.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "backend_test.h"
#include "key_name.h"
#include "platform/x11/keys/key_translation.h"
#include "platform/x11/keys/xkb_key_names.h"

namespace corvane::x11test {
namespace {

namespace modifier = platform::modifier;

/// The service on its own backend, plus another client that may hold keys first.
class HotKeyGrabTest : public BackendTest {
protected:
    void SetUp() override {
        BackendTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        handler_ = hotKeys().installHandler([this](const platform::HotKeyEvent* event) {
            if (event != nullptr && event->hotKeyID) pressed_.push_back(event->hotKeyID->id);
            return 0;
        });
    }
    void TearDown() override {
        for (const auto& [keycode, modifiers] : othersGrabs_) {
            xcb_ungrab_key(x().connection(), keycode, x().root(), modifiers);
        }
        x().sync();
        BackendTest::TearDown();
    }

    x11::X11HotKeys& hotKeys() { return backend_->hotKeys(); }

    /// Another program grabs the key of `keysym` with exactly `modifiers`; false when refused.
    /// Whatever the backend sent before has reached the server by then.
    bool otherProgramGrabs(xcb_keysym_t keysym, std::uint16_t modifiers) {
        if (backend_) {
            auto* own = backend_->connection().get();
            auto roundTrip = x11::makeCookie(own, xcb_get_input_focus(own), xcb_get_input_focus_reply);
            static_cast<void>(roundTrip.get());
        }
        const auto keycode = x().keycodeOf(keysym);
        if (!keycode) return false;
        auto* c = x().connection();
        const x11::ErrorPtr error(
            xcb_request_check(c, xcb_grab_key_checked(c, 1, x().root(), modifiers, *keycode,
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)));
        if (error) return false;
        othersGrabs_.emplace_back(*keycode, modifiers);
        return true;
    }

    /// Types `chord` and runs the backend's loop until the handler saw `count` presses.
    bool typeAndWait(const std::vector<xcb_keysym_t>& chord, std::size_t count) {
        x().typeChord(chord);
        return backend_->loop().runUntil([&] { return pressed_.size() >= count; }, 5.0);
    }

    std::optional<platform::HotKeyHandlerRef> handler_;
    std::vector<std::uint32_t> pressed_;
    std::vector<std::pair<xcb_keycode_t, std::uint16_t>> othersGrabs_;
};

TEST_F(HotKeyGrabTest, eachPressReachesTheHandlerWithItsCombinationsId) {
    ASSERT_TRUE(handler_.has_value());
    ASSERT_EQ(hotKeys().registerHotKey(50, 0, {1, 7}).status, platform::kHotKeyNoError);
    ASSERT_EQ(hotKeys().registerHotKey(18, modifier::kControl, {1, 8}).status, platform::kHotKeyNoError);
    ASSERT_EQ(hotKeys().registerHotKey(18, modifier::kOption, {1, 9}).status, platform::kHotKeyNoError);

    ASSERT_TRUE(typeAndWait({XK_Control_L, XK_1}, 1));
    ASSERT_TRUE(typeAndWait({XK_grave}, 2));
    ASSERT_TRUE(typeAndWait({XK_Alt_L, XK_1}, 3));

    EXPECT_EQ(pressed_, (std::vector<std::uint32_t>{8, 7, 9}));
}

// Where the keymap makes Scroll Lock a modifier (Mod3 here), a hot key still fires while it is on.
TEST_F(HotKeyGrabTest, firesWhileScrollLockIsOnWhereTheKeymapMakesItAModifier) {
    ASSERT_EQ(hotKeys().registerHotKey(50, 0, {1, 7}).status, platform::kHotKeyNoError);
    constexpr std::size_t kMod3 = 5;
    LockedModifierKey scrollLock(x(), XK_Scroll_Lock, kMod3);
    ASSERT_TRUE(scrollLock.on());
    settle();  // the new modifier map is read and the keys grabbed again

    EXPECT_TRUE(typeAndWait({XK_grave}, 1));
}

// A key held down repeats; the switch must not run through the games.
TEST_F(HotKeyGrabTest, aHeldKeyFiresOnceThoughTheKeyboardRepeatsIt) {
    ASSERT_EQ(hotKeys().registerHotKey(50, 0, {1, 7}).status, platform::kHotKeyNoError);
    const auto keycode = x().keycodeOf(XK_grave);
    ASSERT_TRUE(keycode);
    auto* c = x().connection();

    xcb_test_fake_input(c, XCB_KEY_PRESS, *keycode, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    x().sync();
    backend_->loop().runFor(1.0);  // held past the repeat delay (660 ms on Xvfb)
    xcb_test_fake_input(c, XCB_KEY_RELEASE, *keycode, XCB_CURRENT_TIME, XCB_WINDOW_NONE, 0, 0, 0);
    x().sync();
    settle();

    EXPECT_EQ(pressed_.size(), 1U);
}

TEST_F(HotKeyGrabTest, onlyOneHandlerAtATimeAndARemovedOneHearsNothing) {
    ASSERT_TRUE(handler_.has_value());
    EXPECT_EQ(hotKeys().installHandler([](const platform::HotKeyEvent*) { return 0; }), std::nullopt);
    ASSERT_EQ(hotKeys().registerHotKey(50, 0, {1, 7}).status, platform::kHotKeyNoError);
    ASSERT_TRUE(typeAndWait({XK_grave}, 1));

    hotKeys().removeHandler(*handler_);
    x().typeKey(XK_grave);
    settle();  // the press is handled by now

    EXPECT_EQ(pressed_.size(), 1U);
}

struct NameCase {
    const char* name;
    std::optional<xcb_keycode_t> keycode;
    friend void PrintTo(const NameCase& testCase, std::ostream* out) { *out << testCase.name; }
};

class XkbKeyNamesOfXvfb : public BackendTest, public ::testing::WithParamInterface<NameCase> {};

TEST_P(XkbKeyNamesOfXvfb, giveTheKeycodeOfEachKeyDirectlyOrByAlias) {
    const auto names = x11::XkbKeyNames::read(backend_->connection());
    ASSERT_TRUE(names.has_value());
    EXPECT_EQ(names->keycodeOf(keyName(GetParam().name)), GetParam().keycode);
}

INSTANTIATE_TEST_SUITE_P(Evdev, XkbKeyNamesOfXvfb,
                         ::testing::Values(NameCase{"ESC", 9}, NameCase{"TLDE", 49}, NameCase{"FK13", 191},
                                           NameCase{"AC12", 51},  // alias of BKSL
                                           NameCase{"ZZZZ", std::nullopt}),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

struct RefusalCase {
    const char* name;
    std::uint32_t keyCode;
    std::uint32_t modifiers;
    /// Set up before the registration under test.
    bool heldByThisProgram;
    std::optional<std::uint16_t> heldByAnotherWithMask;
    platform::HotKeyStatus status;
    friend void PrintTo(const RefusalCase& testCase, std::ostream* out) { *out << testCase.name; }
};

class HotKeyRefusal : public HotKeyGrabTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(HotKeyRefusal, isReportedAndLeavesNoGrabBehind) {
    const auto& refusal = GetParam();
    if (refusal.heldByThisProgram) {
        ASSERT_EQ(hotKeys().registerHotKey(refusal.keyCode, refusal.modifiers, {1, 1}).status,
                  platform::kHotKeyNoError);
    }
    if (refusal.heldByAnotherWithMask) {
        ASSERT_TRUE(otherProgramGrabs(XK_grave, *refusal.heldByAnotherWithMask));
    }

    const auto registration = hotKeys().registerHotKey(refusal.keyCode, refusal.modifiers, {1, 2});

    EXPECT_EQ(registration.status, refusal.status);
    EXPECT_EQ(registration.ref, std::nullopt);
    if (!refusal.heldByThisProgram && refusal.keyCode == 50) {
        // Whatever part of the combination was grabbed before the refusal is free again.
        for (const std::uint16_t lock :
             std::initializer_list<std::uint16_t>{0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2}) {
            const auto mask = static_cast<std::uint16_t>(x11::xModifiers(refusal.modifiers) | lock);
            if (refusal.heldByAnotherWithMask == mask) continue;
            EXPECT_TRUE(otherProgramGrabs(XK_grave, mask)) << "mask " << mask;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HotKeyRefusal,
    ::testing::Values(
        RefusalCase{"noSuchKey", 10, 0, false, std::nullopt, platform::kHotKeyInvalidError},
        RefusalCase{"heldTwiceByThisProgram", 50, 0, true, std::nullopt, platform::kHotKeyExistsError},
        RefusalCase{"heldByAnother", 50, 0, false, std::uint16_t{0}, platform::kHotKeyExistsError},
        // The other program holds only the Num Lock variant: the other variants were
        // grabbed before that refusal came back and must be let go.
        RefusalCase{"numLockVariantHeldByAnother", 50, modifier::kShift, false,
                    std::uint16_t{XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_2}, platform::kHotKeyExistsError}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(HotKeyGrabTest, unregisteringLetsOtherProgramsHaveTheCombination) {
    const auto registration = hotKeys().registerHotKey(50, modifier::kControl, {1, 3});
    ASSERT_TRUE(registration.ref.has_value());
    ASSERT_FALSE(otherProgramGrabs(XK_grave, XCB_MOD_MASK_CONTROL));

    hotKeys().unregisterHotKey(*registration.ref);

    EXPECT_TRUE(otherProgramGrabs(XK_grave, XCB_MOD_MASK_CONTROL));
    EXPECT_TRUE(otherProgramGrabs(XK_grave, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_LOCK));
}

}  // namespace
}  // namespace corvane::x11test
