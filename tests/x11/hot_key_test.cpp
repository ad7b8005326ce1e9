// The switch key and the jump keys work from wherever the keyboard focus is
// (a game holds it), whatever lock keys are on. Key presses come from XTEST
// here, as a user's would.
#include <gtest/gtest.h>

#include <X11/XF86keysym.h>
#include <xcb/xcb.h>

#include "x11_controller_test.h"

namespace corvane::x11test {
namespace {

constexpr xcb_keysym_t kGrave = 0x60;
constexpr xcb_keysym_t kCapsLock = 0xffe5;
constexpr xcb_keysym_t kNumLock = 0xff7f;
constexpr xcb_keysym_t kControlL = 0xffe3;
constexpr xcb_keysym_t kAltL = 0xffe9;
constexpr xcb_keysym_t kThree = '3';

/// Turns lock keys on for a test and off again afterwards.
class LocksOn {
public:
    LocksOn(XInspector& x, std::vector<xcb_keysym_t> locks) : x_(x), locks_(std::move(locks)) {
        for (const auto lock : locks_) x_.typeKey(lock);
    }
    LocksOn(const LocksOn&) = delete;
    LocksOn& operator=(const LocksOn&) = delete;
    ~LocksOn() {
        for (const auto lock : locks_) x_.typeKey(lock);
    }

private:
    XInspector& x_;
    std::vector<xcb_keysym_t> locks_;
};

using SwitchKeyWithOneGameTest = X11ControllerTest;

// One game, already in front: the switch key has nowhere to go, and the game keeps the keyboard.
TEST_F(SwitchKeyWithOneGameTest, leavesTheGameInFrontAndTypingInIt) {
    auto& game = launchGame({.number = 1});
    auto& c = startController();
    ASSERT_TRUE(c.hotkeyRegistered());
    c.focusClient(c.clients()[0]);
    ASSERT_TRUE(runUntil([&] { return x().activeWindow() == game.window(); }));

    x().typeKey(kGrave);
    settleBackend();
    x().typeKey('q');

    EXPECT_TRUE(runUntil([&] { return game.waitForLog("KeyPress keysym=q", std::chrono::milliseconds(0)); }));
    EXPECT_EQ(c.activePid(), game.pid());
    EXPECT_EQ(x().activeWindow(), game.window());
}

struct LockCase {
    const char* name;
    std::vector<xcb_keysym_t> locks;
    std::uint16_t stateMask;
};

class SwitchKeyTest : public X11ControllerTest, public ::testing::WithParamInterface<LockCase> {};

TEST_P(SwitchKeyTest, switchKeyMovesToTheNextGameWhateverLocksAreOn) {
    const auto games = launchGames(3);
    auto& c = startController();
    ASSERT_TRUE(c.hotkeyRegistered());
    const LocksOn locks(x(), GetParam().locks);
    ASSERT_EQ(x().modifierState() & GetParam().stateMask, GetParam().stateMask);
    c.focusClient(c.clients()[0]);
    // Else the first switch would seem done before the window manager got to either.
    ASSERT_TRUE(runUntil([&] { return x().activeWindow() == games[0]->window(); }));

    for (const std::size_t next : {1U, 2U, 0U}) {
        x().typeKey(kGrave);
        EXPECT_TRUE(runUntil([&] {
            return c.activePid() == games[next]->pid() && x().activeWindow() == games[next]->window();
        })) << "slot "
            << next;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Locks, SwitchKeyTest,
    ::testing::Values(LockCase{"none", {}, 0}, LockCase{"capsLock", {kCapsLock}, XCB_MOD_MASK_LOCK},
                      LockCase{"numLock", {kNumLock}, XCB_MOD_MASK_2},
                      LockCase{"capsAndNumLock", {kCapsLock, kNumLock}, XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

struct JumpCase {
    HotkeyManager::JumpStyle style;
    std::vector<xcb_keysym_t> modifiers;
    /// The key code of a slot's digit or function key.
    xcb_keycode_t (*slotKey)(XInspector& x, std::size_t slot);
};

xcb_keycode_t digitKey(XInspector& x, std::size_t slot) {
    return x.keycodeOf('1' + static_cast<xcb_keysym_t>(slot)).value();
}

// The physical F13 to F17 keys, whatever keysyms the keymap puts there.
xcb_keycode_t functionKey(XInspector& /*x*/, std::size_t slot) {
    return static_cast<xcb_keycode_t>(evdev::kF13 + slot);
}

class JumpKeyTest : public X11ControllerTest, public ::testing::WithParamInterface<JumpCase> {};

TEST_P(JumpKeyTest, eachJumpKeyFocusesItsSlot) {
    const auto games = launchGames(3);
    auto& c = startController();
    c.setJumpStyle(GetParam().style);
    ASSERT_TRUE(c.jumpKeysRegistered());
    c.focusClient(c.clients()[0]);
    // Else the first jump, to the game in front already, would seem done at once.
    ASSERT_TRUE(runUntil([&] { return x().activeWindow() == games[0]->window(); }));

    for (const std::size_t slot : {2U, 0U, 1U}) {
        std::vector<xcb_keycode_t> chord;
        for (const auto modifier : GetParam().modifiers) chord.push_back(x().keycodeOf(modifier).value());
        chord.push_back(GetParam().slotKey(x(), slot));
        x().typeKeycodes(chord);
        EXPECT_TRUE(runUntil([&] {
            return c.activePid() == games[slot]->pid() && x().activeWindow() == games[slot]->window();
        })) << "slot "
            << slot;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Styles, JumpKeyTest,
    ::testing::Values(JumpCase{HotkeyManager::JumpStyle::controlNumbers, {kControlL}, digitKey},
                      JumpCase{HotkeyManager::JumpStyle::optionNumbers, {kAltL}, digitKey},
                      JumpCase{HotkeyManager::JumpStyle::functionKeys, {}, functionKey}),
    [](const auto& testCase) { return std::string(HotkeyManager::rawValue(testCase.param.style)); });

class PhysicalKeyTest : public X11ControllerTest {};

// PC keymaps put XF86Tools on the F13 key and on a media key as well.
TEST_F(PhysicalKeyTest, f13IsTheF13KeyWhateverItsKeysymAndNoOtherKey) {
    ASSERT_EQ(x().keyRow(evdev::kF13).front(), XF86XK_Tools);
    ASSERT_EQ(x().keyRow(evdev::kTools).front(), XF86XK_Tools);
    const auto games = launchGames(3);
    auto& c = startController();
    c.setHotkeyID("f13");
    ASSERT_TRUE(c.hotkeyRegistered());
    settleBackend();

    EXPECT_TRUE(x().keyGrabbed(evdev::kF13, 0));
    EXPECT_FALSE(x().keyGrabbed(evdev::kTools, 0));
    c.focusClient(c.clients()[0]);
    x().typeKeycodes({evdev::kF13});
    EXPECT_TRUE(runUntil([&] { return c.activePid() == games[1]->pid(); }));
}

TEST_F(PhysicalKeyTest, aSwitchKeyTheKeyboardLacksIsMissingNotTaken) {
    const ReplacedKeyRow noF14(x(), evdev::kF14, {});
    auto& c = startController();

    c.setHotkeyID("f14");

    EXPECT_FALSE(c.hotkeyRegistered());
    EXPECT_EQ(c.problems(), std::vector<Problem>{Problem::hotkeyMissing});
}

// A layout that leaves a key blank takes that jump key away; the next one
// gives it back.
TEST_F(PhysicalKeyTest, jumpKeysFollowTheLayoutLosingAndRegainingTheirKeys) {
    const auto games = launchGames(3);
    auto& c = startController();
    c.setJumpStyle(HotkeyManager::JumpStyle::controlNumbers);
    ASSERT_EQ(x().keycodeOf(kThree), evdev::kDigit3);
    c.focusClient(c.clients()[0]);

    {
        const ReplacedKeyRow blank(x(), evdev::kDigit3, {});
        settleBackend();  // the backend hears of the change through its loop
        EXPECT_FALSE(x().keyGrabbed(evdev::kDigit3, XCB_MOD_MASK_CONTROL));
    }
    settleBackend();
    x().typeKeycodes({x().keycodeOf(kControlL).value(), evdev::kDigit3});

    EXPECT_TRUE(runUntil([&] { return c.activePid() == games[2]->pid(); }));
}

}  // namespace
}  // namespace corvane::x11test
