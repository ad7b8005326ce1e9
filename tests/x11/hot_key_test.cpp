// The switch key and the jump keys work from wherever the keyboard focus is
// (a game holds it), whatever lock keys are on. Key presses come from XTEST
// here, as a user's would.
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include "x11_controller_test.h"

namespace corvane::x11test {
namespace {

constexpr xcb_keysym_t kGrave = 0x60;
constexpr xcb_keysym_t kCapsLock = 0xffe5;
constexpr xcb_keysym_t kNumLock = 0xff7f;
constexpr xcb_keysym_t kControlL = 0xffe3;
constexpr xcb_keysym_t kAltL = 0xffe9;
constexpr xcb_keysym_t kF13 = 0xffca;

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
    /// The keys of slot 1; the digit or function key moves on by slot.
    std::vector<xcb_keysym_t> modifiers;
    xcb_keysym_t slotZeroKey;
};

class JumpKeyTest : public X11ControllerTest, public ::testing::WithParamInterface<JumpCase> {};

TEST_P(JumpKeyTest, eachJumpKeyFocusesItsSlot) {
    for (xcb_keysym_t offset = 0; offset < 5; ++offset) x().ensureKey(GetParam().slotZeroKey + offset);
    const auto games = launchGames(3);
    auto& c = startController();
    c.setJumpStyle(GetParam().style);
    ASSERT_TRUE(c.jumpKeysRegistered());

    for (const std::size_t slot : {2U, 0U, 1U}) {
        auto chord = GetParam().modifiers;
        chord.push_back(GetParam().slotZeroKey + static_cast<xcb_keysym_t>(slot));
        x().typeChord(chord);
        EXPECT_TRUE(runUntil([&] {
            return c.activePid() == games[slot]->pid() && x().activeWindow() == games[slot]->window();
        })) << "slot "
            << slot;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Styles, JumpKeyTest,
    ::testing::Values(JumpCase{HotkeyManager::JumpStyle::controlNumbers, {kControlL}, '1'},
                      JumpCase{HotkeyManager::JumpStyle::optionNumbers, {kAltL}, '1'},
                      JumpCase{HotkeyManager::JumpStyle::functionKeys, {}, kF13}),
    [](const auto& testCase) { return std::string(HotkeyManager::rawValue(testCase.param.style)); });

/// Moves a keysym to another key code, as a change of keyboard layout does,
/// and back at the end.
class MovedKey {
public:
    MovedKey(XInspector& x, xcb_keysym_t keysym) : x_(x), from_(*x.keycodeOf(keysym)), to_(x.freeKeycode()) {
        row_ = x_.keyRow(from_);
        x_.setKeyRow(to_, row_);
        x_.setKeyRow(from_, {});
    }
    MovedKey(const MovedKey&) = delete;
    MovedKey& operator=(const MovedKey&) = delete;
    ~MovedKey() {
        x_.setKeyRow(from_, row_);
        x_.setKeyRow(to_, {});
    }

private:
    XInspector& x_;
    xcb_keycode_t from_;
    xcb_keycode_t to_;
    std::vector<xcb_keysym_t> row_;
};

class KeyboardLayoutTest : public X11ControllerTest {};

TEST_F(KeyboardLayoutTest, jumpKeysFollowAChangeOfKeyboardLayout) {
    const auto games = launchGames(3);
    auto& c = startController();
    c.setJumpStyle(HotkeyManager::JumpStyle::controlNumbers);
    const auto oldKeycode = x().keycodeOf('3');

    const MovedKey moved(x(), '3');
    ASSERT_NE(x().keycodeOf('3'), oldKeycode);
    // The backend hears of the change through its loop.
    settleBackend();
    x().typeChord({kControlL, '3'});

    EXPECT_TRUE(runUntil([&] { return c.activePid() == games[2]->pid(); }));
}

}  // namespace
}  // namespace corvane::x11test
