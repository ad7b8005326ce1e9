#include <gtest/gtest.h>

#include "controller_fixture.h"

namespace corvane::testing {
namespace {

using JumpStyle = HotkeyManager::JumpStyle;
using platform::modifier::kControl;

struct Key {
    std::uint32_t id;
    std::uint32_t keyCode;
    std::uint32_t modifiers;
    friend bool operator==(const Key&, const Key&) = default;
    friend std::ostream& operator<<(std::ostream& os, const Key& k) {
        return os << "id " << k.id << " key " << k.keyCode << " mods " << k.modifiers;
    }
};

class HotkeyBindings : public ControllerTest {
protected:
    [[nodiscard]] std::vector<Key> registered() const {
        std::vector<Key> keys;
        for (const auto& [ref, key] : desk.registeredHotKeys())
            keys.push_back({key.id.id, key.keyCode, key.modifiers});
        std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) { return a.id < b.id; });
        return keys;
    }
    void threeClients() {
        addGame(1, 10);
        addGame(2, 20);
        addGame(3, 30);
    }
};

TEST_F(HotkeyBindings, DefaultsRegisterExactlyTheBacktick) {
    start();
    EXPECT_EQ(registered(), (std::vector<Key>{{1, 50, 0}}));
    EXPECT_TRUE(controller->hotkeyRegistered());
    EXPECT_TRUE(controller->jumpKeysRegistered());
    EXPECT_EQ(desk.registeredHotKeys().begin()->second.id.signature, platform::fourCharCode("CRVN"));
}

TEST_F(HotkeyBindings, SwitchKeyChoiceAndFallback) {
    struct Case {
        const char* id;
        Key key;
    };
    const Case cases[] = {
        {"ctrlTab", {1, 48, kControl}},
        {"f12", {1, 111, 0}},
        {"Grave", {1, 50, 0}},
        {"", {1, 50, 0}},
        {"f99", {1, 50, 0}},
    };
    start();
    for (const auto& c : cases) {
        controller->setHotkeyID(c.id);
        EXPECT_EQ(registered(), (std::vector<Key>{c.key})) << c.id;
        EXPECT_EQ(controller->hotkeyID(), c.id);  // the setting itself is kept
    }
}

TEST_F(HotkeyBindings, RegistrationHappensBeforePromptAndTimer) {
    desk.setTrusted(false);
    start();
    const auto& log = desk.calls();
    EXPECT_LT(log.indexOf("registerHotKey 50 0x0 id 1"), log.indexOf("requestTrust"));
}

TEST_F(HotkeyBindings, FunctionKeysThenOff) {
    start();
    controller->setJumpStyle(JumpStyle::functionKeys);
    EXPECT_EQ(
        registered(),
        (std::vector<Key>{{1, 50, 0}, {10, 105, 0}, {11, 107, 0}, {12, 113, 0}, {13, 106, 0}, {14, 64, 0}}));
    controller->setJumpStyle(JumpStyle::off);
    EXPECT_EQ(registered(), (std::vector<Key>{{1, 50, 0}}));
    EXPECT_TRUE(controller->jumpKeysRegistered());
}

TEST_F(HotkeyBindings, SwitchKeyF13CollidesWithTheFirstJumpKey) {
    desk.defaults().set("hotkey", std::string("f13"));
    desk.defaults().set("jumpStyle", std::string("functionKeys"));
    start();
    EXPECT_TRUE(controller->hotkeyRegistered());
    EXPECT_FALSE(controller->jumpKeysRegistered());
    EXPECT_EQ(registered(),
              (std::vector<Key>{{1, 105, 0}, {11, 107, 0}, {12, 113, 0}, {13, 106, 0}, {14, 64, 0}}));
    const auto& log = desk.calls();
    EXPECT_LT(log.indexOf("registerHotKey 105 0x0 id 1"), log.indexOf("registerHotKey 105 0x0 id 10"));
}

TEST_F(HotkeyBindings, OneTakenJumpKeyDoesNotStopTheOthers) {
    desk.takeHotKey(20, kControl);  // Control + 3
    desk.defaults().set("jumpStyle", std::string("controlNumbers"));
    start();
    EXPECT_FALSE(controller->jumpKeysRegistered());
    EXPECT_TRUE(controller->hotkeyRegistered());
    EXPECT_EQ(
        registered(),
        (std::vector<Key>{
            {1, 50, 0}, {10, 18, kControl}, {11, 19, kControl}, {13, 21, kControl}, {14, 23, kControl}}));
}

TEST_F(HotkeyBindings, TakenSwitchKeyClearsTheFlagUntilAnotherKeyIsPicked) {
    desk.takeHotKey(50, 0);
    start();
    EXPECT_FALSE(controller->hotkeyRegistered());
    EXPECT_TRUE(registered().empty());
    controller->setHotkeyID("f14");
    EXPECT_TRUE(controller->hotkeyRegistered());
}

TEST_F(HotkeyBindings, EachFailedKeyIsToldByWhatSaysMostAboutIt) {
    struct Case {
        const char* name;
        std::vector<std::uint32_t> missingKeys;
        bool takeControl3;
        const char* hotkey;
        const char* jumpStyle;
        std::vector<Problem> problems;
    };
    const Case cases[] = {
        {"all well", {}, false, "grave", "controlNumbers", {}},
        {"switch key missing", {107}, false, "f14", "off", {Problem::hotkeyMissing}},
        {"jump key taken", {}, true, "grave", "controlNumbers", {Problem::jumpKeysTaken}},
        {"jump key missing", {106}, false, "grave", "functionKeys", {Problem::jumpKeysMissing}},
        {"jump key is the switch key", {106}, false, "f13", "functionKeys", {Problem::jumpKeysCollide}},
        {"both missing",
         {105},
         false,
         "f13",
         "functionKeys",
         {Problem::hotkeyMissing, Problem::jumpKeysMissing}},
    };
    for (const auto& c : cases) {
        sim::SimDesktop fresh;
        for (const auto key : c.missingKeys) fresh.removeKey(key);
        if (c.takeControl3) fresh.takeHotKey(20, kControl);
        fresh.defaults().set("hotkey", std::string(c.hotkey));
        fresh.defaults().set("jumpStyle", std::string(c.jumpStyle));
        const auto running = Controller::create(fresh.platform());
        EXPECT_EQ(running->problems(), c.problems) << c.name;
        running->setJumpStyle(JumpStyle::off);
        running->setHotkeyID("grave");
        EXPECT_EQ(running->problems(), std::vector<Problem>{}) << c.name << ", then the defaults";
    }
}

TEST_F(HotkeyBindings, FlagsArePublishedOnEveryRun) {
    start();
    int hotkeyFlag = 0;
    int jumpFlag = 0;
    controller->observe([&](Controller::Property p) {
        hotkeyFlag += p == Controller::Property::hotkeyRegistered;
        jumpFlag += p == Controller::Property::jumpKeysRegistered;
    });
    controller->setHotkeyID("grave");
    EXPECT_EQ(hotkeyFlag, 1);
    EXPECT_EQ(jumpFlag, 1);
}

TEST_F(HotkeyBindings, SwitchKeyPressReachesTheControllerTwoStepsLater) {
    threeClients();
    start();
    ASSERT_EQ(desk.pressHotKey(50, 0), 0);
    EXPECT_EQ(controller->activePid(), std::nullopt);  // never inside the handler
    ASSERT_TRUE(desk.queue().runOne());                // the registry's step
    EXPECT_EQ(controller->activePid(), std::nullopt);
    ASSERT_TRUE(desk.queue().runOne());  // the controller's step
    EXPECT_EQ(controller->activePid(), 1);
    desk.pressHotKey(50, 0);
    desk.queue().runUntilIdle();
    EXPECT_EQ(controller->activePid(), 2);
}

TEST_F(HotkeyBindings, JumpKeysFocusTheirSlotAndIgnoreEmptyOnes) {
    addGame(1, 10);
    addGame(2, 20);
    desk.defaults().set("jumpStyle", std::string("optionNumbers"));
    start();
    desk.pressHotKey(19, platform::modifier::kOption);  // slot 1
    desk.queue().runUntilIdle();
    EXPECT_EQ(controller->activePid(), 2);
    desk.calls().clear();
    desk.pressHotKey(21, platform::modifier::kOption);  // slot 3: nobody there
    desk.queue().runUntilIdle();
    EXPECT_EQ(controller->activePid(), 2);
    EXPECT_EQ(desk.calls().count("activate"), 0);
}

TEST_F(HotkeyBindings, PressDuringAnotherStepRunsAfterIt) {
    threeClients();
    start();
    std::vector<std::string> order;
    desk.queue().post([&] {
        desk.pressHotKey(50, 0);
        order.push_back("step");
        EXPECT_EQ(controller->activePid(), std::nullopt);
    });
    controller->observe([&](Controller::Property p) {
        if (p == Controller::Property::activePid) order.push_back("focus");
    });
    desk.queue().runUntilIdle();
    EXPECT_EQ(order, (std::vector<std::string>{"step", "focus"}));
}

TEST_F(HotkeyBindings, PressAfterTheControllerIsGoneDoesNothing) {
    addGame(1, 10);
    start();
    desk.pressHotKey(50, 0);  // delivered while the controller lives
    controller.reset();       // unregisters everything
    EXPECT_TRUE(desk.registeredHotKeys().empty());
    EXPECT_FALSE(desk.hotKeyHandlerInstalled());
    desk.calls().clear();
    desk.queue().runUntilIdle();
    EXPECT_EQ(desk.calls().count("activate"), 0);
}

}  // namespace
}  // namespace corvane::testing
