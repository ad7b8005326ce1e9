#include "corvane/hotkeys/hotkey_manager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/sim/sim_desktop.h"

namespace corvane {
namespace {

using ::testing::ElementsAre;
using JumpStyle = HotkeyManager::JumpStyle;

constexpr std::uint32_t kGrave = 50;
constexpr std::uint32_t kTab = 48;
constexpr std::uint32_t kControl = platform::modifier::kControl;

class HotkeyManagerTest : public ::testing::Test {
protected:
    sim::SimDesktop desktop;
    std::unique_ptr<HotkeyManager> manager =
        std::make_unique<HotkeyManager>(desktop.platform().hotKeys, desktop.queue());
    std::vector<std::string> ran;

    HotkeyManager::Action record(std::string name) {
        return [this, name = std::move(name)] { ran.push_back(name); };
    }

    std::optional<std::int32_t> press(std::uint32_t id) {
        const platform::HotKeyEvent event{platform::HotKeyID{HotkeyManager::kSignature, id}};
        return desktop.deliverHotKeyEvent(&event);
    }

    [[nodiscard]] std::vector<std::string> registrationCalls() {
        return desktop.calls().matching({"registerHotKey", "unregisterHotKey"});
    }
};

// --- Registering -------------------------------------------------------------

TEST_F(HotkeyManagerTest, RegisteringAnIdAgainReplacesTheFirstRegistration) {
    ASSERT_TRUE(manager->registerKey(1, kGrave, 0, record("first")));
    // The same combination again: the platform refuses it unless the first is gone.
    ASSERT_TRUE(manager->registerKey(1, kGrave, 0, record("second")));

    EXPECT_THAT(registrationCalls(), ElementsAre("registerHotKey 50 0x0 id 1", "unregisterHotKey id 1",
                                                 "registerHotKey 50 0x0 id 1"));
    EXPECT_EQ(manager->refs().size(), 1U);
    EXPECT_EQ(desktop.registeredHotKeys().size(), 1U);
    desktop.pressHotKey(kGrave, 0);
    desktop.queue().runUntilIdle();
    EXPECT_THAT(ran, ElementsAre("second"));
}

class HotkeyManagerTaken : public HotkeyManagerTest, public ::testing::WithParamInterface<bool> {};

TEST_P(HotkeyManagerTaken, ATakenCombinationLeavesNoEntry) {
    const bool hadEntry = GetParam();
    if (hadEntry) {
        ASSERT_TRUE(manager->registerKey(1, kGrave, 0, record("old")));
    }
    desktop.takeHotKey(kTab, kControl);

    EXPECT_FALSE(manager->registerKey(1, kTab, kControl, record("new")));
    EXPECT_TRUE(manager->refs().empty());
    EXPECT_FALSE(manager->hasAction(1));
    EXPECT_TRUE(desktop.registeredHotKeys().empty());
}

INSTANTIATE_TEST_SUITE_P(WithAndWithoutEarlierEntry, HotkeyManagerTaken, ::testing::Bool());

TEST_F(HotkeyManagerTest, UnregisteringAnUnknownIdDoesNothing) {
    ASSERT_TRUE(manager->registerKey(1, kGrave, 0, record("switch")));
    manager->unregister(7);
    EXPECT_EQ(desktop.calls().count("unregisterHotKey"), 0);
    EXPECT_TRUE(manager->hasAction(1));
    EXPECT_EQ(manager->refs().size(), 1U);
}

TEST_F(HotkeyManagerTest, UnregisterAllReleasesEveryCombination) {
    ASSERT_TRUE(manager->registerKey(1, kGrave, 0, record("switch")));
    ASSERT_TRUE(manager->registerKey(10, 18, kControl, record("jump 0")));
    ASSERT_TRUE(manager->registerKey(11, 19, kControl, record("jump 1")));

    manager->unregisterAll();

    EXPECT_TRUE(manager->refs().empty());
    EXPECT_FALSE(manager->hasAction(1) || manager->hasAction(10) || manager->hasAction(11));
    EXPECT_TRUE(desktop.registeredHotKeys().empty());
    EXPECT_EQ(desktop.calls().count("unregisterHotKey"), 3);
}

// --- Presses -----------------------------------------------------------------

TEST_F(HotkeyManagerTest, APressRunsItsActionOnlyFromTheQueue) {
    ASSERT_TRUE(manager->registerKey(1, kGrave, 0, record("switch")));
    EXPECT_EQ(desktop.pressHotKey(kGrave, 0), 0);
    EXPECT_TRUE(ran.empty());
    EXPECT_EQ(desktop.queue().pendingTasks(), 1U);
    desktop.queue().runUntilIdle();
    EXPECT_THAT(ran, ElementsAre("switch"));
}

TEST_F(HotkeyManagerTest, APressAlreadyDeliveredSurvivesUnregistering) {
    ASSERT_TRUE(manager->registerKey(1, kGrave, 0, record("delivered")));
    desktop.pressHotKey(kGrave, 0);
    manager->unregister(1);
    desktop.queue().runUntilIdle();
    EXPECT_THAT(ran, ElementsAre("delivered"));
}

TEST_F(HotkeyManagerTest, APressAfterUnregisterAllQueuesAStepThatDoesNothing) {
    for (const std::uint32_t id : {1U, 10U, 11U, 12U}) {
        ASSERT_TRUE(manager->registerKey(id, 18 + id, 0, record("stale")));
    }
    manager->unregisterAll();

    EXPECT_EQ(press(12), 0);
    EXPECT_EQ(desktop.queue().pendingTasks(), 1U);
    EXPECT_TRUE(desktop.queue().runOne());
    EXPECT_TRUE(ran.empty());
}

struct EventCase {
    std::string name;
    platform::HotKeyEvent event;
    std::vector<std::string> expectedRuns;
};

class HotkeyManagerEvents : public HotkeyManagerTest, public ::testing::WithParamInterface<EventCase> {};

TEST_P(HotkeyManagerEvents, AnyEventIsHandledAndQueuesOneStep) {
    ASSERT_TRUE(manager->registerKey(1, kGrave, 0, record("switch")));
    EXPECT_EQ(desktop.deliverHotKeyEvent(&GetParam().event), 0);
    EXPECT_EQ(desktop.queue().runUntilIdle(), 1);
    EXPECT_EQ(ran, GetParam().expectedRuns);
}

INSTANTIATE_TEST_SUITE_P(
    Events, HotkeyManagerEvents,
    ::testing::Values(
        EventCase{"registered", {platform::HotKeyID{HotkeyManager::kSignature, 1}}, {"switch"}},
        // The signature of a press is not checked.
        EventCase{"foreignSignature", {platform::HotKeyID{platform::fourCharCode("XXXX"), 1}}, {"switch"}},
        EventCase{"unknownId", {platform::HotKeyID{HotkeyManager::kSignature, 2}}, {}},
        EventCase{"unreadableId", {std::nullopt}, {}}),
    [](const auto& testInfo) { return testInfo.param.name; });

TEST_F(HotkeyManagerTest, ANullEventIsHandledWithoutQueueing) {
    ASSERT_TRUE(manager->registerKey(1, kGrave, 0, record("switch")));
    EXPECT_EQ(desktop.deliverHotKeyEvent(nullptr), 0);
    EXPECT_EQ(desktop.queue().pendingTasks(), 0U);
}

// --- Lifetime ----------------------------------------------------------------

TEST_F(HotkeyManagerTest, DestructionReleasesEveryKeyAndThenTheHandler) {
    ASSERT_TRUE(manager->hasHandler());
    ASSERT_TRUE(desktop.hotKeyHandlerInstalled());
    ASSERT_TRUE(manager->registerKey(1, kGrave, 0, record("switch")));
    ASSERT_TRUE(manager->registerKey(10, 18, kControl, record("jump")));

    manager.reset();

    EXPECT_TRUE(desktop.registeredHotKeys().empty());
    EXPECT_FALSE(desktop.hotKeyHandlerInstalled());
    EXPECT_THAT(desktop.calls().matching({"unregisterHotKey", "removeHandler"}),
                ElementsAre("unregisterHotKey id 1", "unregisterHotKey id 10", "removeHandler 1"));
}

/// A platform that refuses what the simulated desktop never refuses.
class RefusingService final : public platform::HotKeyService {
public:
    platform::HotKeyRegistration answer;
    int removed = 0;

    std::optional<platform::HotKeyHandlerRef> installHandler(platform::HotKeyHandler /*handler*/) override {
        return std::nullopt;
    }
    void removeHandler(platform::HotKeyHandlerRef /*handler*/) override { ++removed; }
    platform::HotKeyRegistration registerHotKey(std::uint32_t /*keyCode*/, std::uint32_t /*modifiers*/,
                                                platform::HotKeyID /*id*/) override {
        return answer;
    }
    void unregisterHotKey(platform::HotKeyRef /*ref*/) override {}
};

TEST(HotkeyManagerRefusals, WithoutAHandlerNothingIsRemovedLater) {
    RefusingService service;
    sim::SimDesktop desktop;
    {
        const HotkeyManager manager(service, desktop.queue());
        EXPECT_FALSE(manager.hasHandler());
    }
    EXPECT_EQ(service.removed, 0);
}

class HotkeyManagerHalfAnswers : public ::testing::TestWithParam<platform::HotKeyRegistration> {};

TEST_P(HotkeyManagerHalfAnswers, NeedSuccessAndAReference) {
    RefusingService service;
    service.answer = GetParam();
    sim::SimDesktop desktop;
    HotkeyManager manager(service, desktop.queue());
    EXPECT_FALSE(manager.registerKey(1, kGrave, 0, [] {}));
    EXPECT_TRUE(manager.refs().empty());
    EXPECT_FALSE(manager.hasAction(1));
}

INSTANTIATE_TEST_SUITE_P(Answers, HotkeyManagerHalfAnswers,
                         ::testing::Values(platform::HotKeyRegistration{platform::kHotKeyNoError,
                                                                        std::nullopt},
                                           platform::HotKeyRegistration{platform::kHotKeyInvalidError, 7}));

// --- Choices -----------------------------------------------------------------

platform::PlatformTexts x11Wording() {
    platform::PlatformTexts texts;
    texts.x11KeyLabels = true;
    return texts;
}

TEST(HotkeyChoices, SwitchKeysInDisplayOrderInEveryVocabulary) {
    struct Row {
        std::string_view id;
        std::string_view label;
        std::string_view x11Label;
        HotkeyManager::WantedKey key;
    };
    const std::vector<Row> rows{
        {"grave", "` (backtick)", "` (backtick)", {std::nullopt, {50, 0}, "TLDE", "grave"}},
        {"ctrlTab", "Control + Tab", "Control + Tab", {std::nullopt, {48, 0x1000}, "TAB", "CTRL+Tab"}},
        {"optTab", "Option + Tab", "Alt + Tab", {std::nullopt, {48, 0x0800}, "TAB", "ALT+Tab"}},
        {"f13", "F13", "F13", {std::nullopt, {105, 0}, "FK13", "F13"}},
        {"f14", "F14", "F14", {std::nullopt, {107, 0}, "FK14", "F14"}},
        {"f15", "F15", "F15", {std::nullopt, {113, 0}, "FK15", "F15"}},
        {"f12", "F12", "F12", {std::nullopt, {111, 0}, "FK12", "F12"}},
    };
    const auto& choices = HotkeyManager::cycleChoices();
    ASSERT_EQ(choices.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& row = rows[i];
        EXPECT_EQ(choices[i].id, row.id);
        EXPECT_EQ(HotkeyManager::label(choices[i], {}), row.label);
        EXPECT_EQ(HotkeyManager::label(choices[i], x11Wording()), row.x11Label);
        EXPECT_THAT(HotkeyManager::wantedKeys(row.id, JumpStyle::off), ElementsAre(row.key)) << row.id;
    }
    // A stored id no choice has registers the first.
    EXPECT_THAT(HotkeyManager::wantedKeys("nothing", JumpStyle::off), ElementsAre(rows.front().key));
}

TEST(HotkeyChoices, JumpKeysFollowTheSwitchKeyBySlot) {
    using Wanted = HotkeyManager::WantedKey;
    const Wanted f12{std::nullopt, {111, 0}, "FK12", "F12"};
    const std::vector<std::pair<JumpStyle, std::vector<Wanted>>> rows{
        {JumpStyle::controlNumbers,
         {f12,
          {0, {18, 0x1000}, "AE01", "CTRL+1"},
          {1, {19, 0x1000}, "AE02", "CTRL+2"},
          {2, {20, 0x1000}, "AE03", "CTRL+3"},
          {3, {21, 0x1000}, "AE04", "CTRL+4"},
          {4, {23, 0x1000}, "AE05", "CTRL+5"}}},
        {JumpStyle::optionNumbers,
         {f12,
          {0, {18, 0x0800}, "AE01", "ALT+1"},
          {1, {19, 0x0800}, "AE02", "ALT+2"},
          {2, {20, 0x0800}, "AE03", "ALT+3"},
          {3, {21, 0x0800}, "AE04", "ALT+4"},
          {4, {23, 0x0800}, "AE05", "ALT+5"}}},
        {JumpStyle::functionKeys,
         {f12,
          {0, {105, 0}, "FK13", "F13"},
          {1, {107, 0}, "FK14", "F14"},
          {2, {113, 0}, "FK15", "F15"},
          {3, {106, 0}, "FK16", "F16"},
          {4, {64, 0}, "FK17", "F17"}}},
    };
    for (const auto& [style, keys] : rows)
        EXPECT_EQ(HotkeyManager::wantedKeys("f12", style), keys) << HotkeyManager::rawValue(style);
}

struct JumpStyleCase {
    JumpStyle style;
    std::string_view rawValue;
    std::string_view title;
    std::string_view x11Title;
};

class HotkeyJumpStyles : public ::testing::TestWithParam<JumpStyleCase> {};

TEST_P(HotkeyJumpStyles, RawValueAndTitle) {
    const auto& c = GetParam();
    EXPECT_EQ(HotkeyManager::rawValue(c.style), c.rawValue);
    EXPECT_EQ(HotkeyManager::title(c.style), c.title);
    EXPECT_EQ(HotkeyManager::title(c.style, x11Wording()), c.x11Title);
    EXPECT_EQ(HotkeyManager::jumpStyle(c.rawValue), c.style);
}

INSTANTIATE_TEST_SUITE_P(Styles, HotkeyJumpStyles,
                         ::testing::Values(JumpStyleCase{JumpStyle::off, "off", "Off", "Off"},
                                           JumpStyleCase{JumpStyle::controlNumbers, "controlNumbers",
                                                         "Control + 1\u20265", "Control + 1\u20265"},
                                           JumpStyleCase{JumpStyle::optionNumbers, "optionNumbers",
                                                         "Option + 1\u20265", "Alt + 1\u20265"},
                                           JumpStyleCase{JumpStyle::functionKeys, "functionKeys",
                                                         "F13\u2026F17", "F13\u2026F17"}));

TEST(HotkeyJumpStyleOrder, IsTheDisplayOrder) {
    EXPECT_THAT(HotkeyManager::allJumpStyles(),
                ElementsAre(JumpStyle::off, JumpStyle::controlNumbers, JumpStyle::optionNumbers,
                            JumpStyle::functionKeys));
}

class HotkeyJumpStyleUnknown : public ::testing::TestWithParam<std::string_view> {};

TEST_P(HotkeyJumpStyleUnknown, IsNoStyle) {
    EXPECT_EQ(HotkeyManager::jumpStyle(GetParam()), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(RawValues, HotkeyJumpStyleUnknown,
                         ::testing::Values("F13", "", "Off", "functionkeys", "functionKeys "));

}  // namespace
}  // namespace corvane
