#include <gtest/gtest.h>

#include <set>
#include <string_view>
#include <type_traits>

#include "controller_fixture.h"

namespace corvane::testing {
namespace {

using Property = Controller::Property;
using JumpStyle = HotkeyManager::JumpStyle;

TEST_F(ControllerTest, EmptyStoreGivesEveryDefaultAndWritesNothing) {
    start();
    EXPECT_EQ(controller->layout(), Layout::mainPlusSide);
    EXPECT_EQ(controller->hotkeyID(), "grave");
    EXPECT_TRUE(controller->showBorder());
    EXPECT_EQ(controller->names(),
              (std::vector<std::string>{"Window 1", "Window 2", "Window 3", "Window 4", "Window 5"}));
    EXPECT_DOUBLE_EQ(controller->mainShare(), 0.72);
    EXPECT_FALSE(controller->showPreview());
    EXPECT_DOUBLE_EQ(controller->previewWidth(), 420.0);
    EXPECT_TRUE(controller->clickPreviewSwitches());
    EXPECT_EQ(controller->jumpStyle(), JumpStyle::off);
    EXPECT_TRUE(desk.defaultsContents().empty());
    EXPECT_EQ(desk.calls().count("defaults set"), 0);
}

TEST_F(ControllerTest, StoredValuesOfTheRightTypeLoadUnchanged) {
    auto& store = desk.defaults();
    store.set("layout", std::string("stacked"));
    store.set("hotkey", std::string("something-else"));
    store.set("showBorder", false);
    store.set("names", platform::StringList{"Tank"});
    store.set("mainShare", 0.3);
    store.set("showPreview", true);
    store.set("previewWidth", 1200.5);
    store.set("previewClick", false);
    store.set("jumpStyle", std::string("optionNumbers"));
    desk.calls().clear();
    start();
    EXPECT_EQ(controller->layout(), Layout::stacked);
    EXPECT_EQ(controller->hotkeyID(), "something-else");
    EXPECT_FALSE(controller->showBorder());
    EXPECT_EQ(controller->names(), (std::vector<std::string>{"Tank"}));
    EXPECT_DOUBLE_EQ(controller->mainShare(), 0.3);  // no clamping when loaded
    EXPECT_TRUE(controller->showPreview());
    EXPECT_DOUBLE_EQ(controller->previewWidth(), 1200.5);
    EXPECT_FALSE(controller->clickPreviewSwitches());
    EXPECT_EQ(controller->jumpStyle(), JumpStyle::optionNumbers);
    EXPECT_EQ(desk.calls().count("defaults set"), 0);
}

TEST_F(ControllerTest, WrongTypesAndUnknownValuesFallBackToDefaults) {
    auto& store = desk.defaults();
    store.set("layout", std::string(""));
    store.set("hotkey", true);
    store.set("showBorder", std::string("false"));
    store.set("names", std::string("Window 1"));
    store.set("mainShare", std::string("0.6"));
    store.set("showPreview", 1.0);
    store.set("previewWidth", platform::OtherValue{});
    store.set("previewClick", std::string("no"));
    store.set("jumpStyle", std::string("F13"));
    start();
    EXPECT_EQ(controller->layout(), Layout::mainPlusSide);
    EXPECT_EQ(controller->hotkeyID(), "grave");
    EXPECT_TRUE(controller->showBorder());
    EXPECT_EQ(controller->names().size(), 5U);
    EXPECT_DOUBLE_EQ(controller->mainShare(), 0.72);
    EXPECT_FALSE(controller->showPreview());
    EXPECT_DOUBLE_EQ(controller->previewWidth(), 420.0);
    EXPECT_TRUE(controller->clickPreviewSwitches());
    EXPECT_EQ(controller->jumpStyle(), JumpStyle::off);
    // The store is not corrected until the user changes a setting.
    EXPECT_EQ(std::get<std::string>(desk.defaultsContents().at("showBorder")), "false");
}

// A value other than the default, of each setting's type.
bool otherThan(bool value) {
    return !value;
}
double otherThan(double value) {
    return value + 0.5;
}
std::string otherThan(const std::string& value) {
    return value + "x";
}
Layout otherThan(Layout /*value*/) {
    return Layout::stacked;
}
JumpStyle otherThan(JumpStyle /*value*/) {
    return JumpStyle::functionKeys;
}
platform::StringList otherThan(const platform::StringList& /*value*/) {
    return {"Tank"};
}

TEST_F(ControllerTest, EverySettingStartsAtItsDefaultAndLoadsAsItWasSet) {
    start();
    std::set<std::string_view> keys;
    settings::forEach([&](const auto& setting) {
        EXPECT_TRUE(keys.insert(setting.key).second) << setting.key;
        EXPECT_EQ(controller->get(setting), setting.initial()) << setting.key;
        if constexpr (std::is_same_v<typename std::decay_t<decltype(setting)>::Value, double>) {
            if (setting.range) {
                EXPECT_LE(setting.range->min, setting.fallback) << setting.key;
                EXPECT_GE(setting.range->max, setting.fallback) << setting.key;
            }
        }
        controller->set(setting, otherThan(setting.initial()));
    });
    controller.reset();
    start();
    settings::forEach([&](const auto& setting) {
        EXPECT_EQ(controller->get(setting), otherThan(setting.initial())) << setting.key;
    });
}

TEST_F(ControllerTest, UnknownLayoutTextLoadsAsMainPlusSide) {
    desk.defaults().set("layout", std::string("Stacked"));
    start();
    EXPECT_EQ(controller->layout(), Layout::mainPlusSide);
}

TEST_F(ControllerTest, EverySettingSavesUnderItsKeyAndReacts) {
    addGame(1, 1);
    start();
    struct Case {
        const char* key;
        std::function<void(Controller&)> assign;
        platform::DefaultsValue stored;
        int arranges;  // frame writes that follow (3 per window)
        int registrations;
    };
    const std::vector<Case> cases = {
        {"layout", [](Controller& c) { c.setLayout(Layout::sideBySide); }, std::string("sideBySide"), 3, 0},
        {"mainShare", [](Controller& c) { c.setMainShare(0.6); }, 0.6, 3, 0},
        {"hotkey", [](Controller& c) { c.setHotkeyID("f13"); }, std::string("f13"), 0, 1},
        {"jumpStyle", [](Controller& c) { c.setJumpStyle(JumpStyle::functionKeys); },
         std::string("functionKeys"), 0, 6},
        {"showBorder", [](Controller& c) { c.setShowBorder(false); }, false, 0, 0},
        {"showPreview", [](Controller& c) { c.setShowPreview(false); }, false, 0, 0},
        {"previewWidth", [](Controller& c) { c.setPreviewWidth(300); }, 300.0, 0, 0},
        {"previewClick", [](Controller& c) { c.setClickPreviewSwitches(false); }, false, 0, 0},
    };
    for (const auto& c : cases) {
        desk.calls().clear();
        c.assign(*controller);
        EXPECT_EQ(desk.defaultsContents().at(c.key), c.stored) << c.key;
        EXPECT_EQ(desk.calls().count("setPosition") + desk.calls().count("setSize"), c.arranges) << c.key;
        EXPECT_EQ(desk.calls().count("registerHotKey"), c.registrations) << c.key;
    }
}

TEST_F(ControllerTest, AssigningTheCurrentValueStillSavesAndReacts) {
    addGame(1, 1);
    start();
    desk.calls().clear();
    controller->setLayout(controller->layout());
    EXPECT_EQ(desk.calls().count("defaults set layout"), 1);
    EXPECT_EQ(desk.calls().count("setSize"), 1);
    controller->setHotkeyID(controller->hotkeyID());
    EXPECT_EQ(desk.calls().count("unregisterHotKey id 1"), 1);
    EXPECT_EQ(desk.calls().count("registerHotKey"), 1);
}

TEST_F(ControllerTest, ClickSettingOnlySaves) {
    addGame(1, 1);
    start();
    desk.calls().clear();
    controller->setClickPreviewSwitches(true);
    EXPECT_EQ(desk.calls().entries(), (std::vector<std::string>{"defaults set previewClick"}));
}

TEST_F(ControllerTest, WillChangeFiresBeforeTheValueIsStoredAlsoWhenUnchanged) {
    start();
    std::vector<Property> seen;
    std::vector<bool> valueAtNotification;
    controller->observe([&](Property p) {
        seen.push_back(p);
        valueAtNotification.push_back(controller->showBorder());
    });
    controller->setShowBorder(false);
    controller->setShowBorder(false);
    ASSERT_GE(seen.size(), 2U);
    EXPECT_EQ(seen[0], Property::showBorder);
    EXPECT_TRUE(valueAtNotification[0]);  // still the old value
    EXPECT_EQ(std::count(seen.begin(), seen.end(), Property::showBorder), 2);
}

TEST_F(ControllerTest, EveryTickPublishesTheAccessibilityFlag) {
    start();
    int notifications = 0;
    controller->observe([&](Property p) { notifications += p == Property::accessibilityGranted ? 1 : 0; });
    tickOnce();
    tickOnce();
    EXPECT_EQ(notifications, 2);
}

TEST_F(ControllerTest, PromptsForAccessibilityOnlyWhenMissing) {
    start();
    EXPECT_EQ(desk.trustPrompts(), 0);
    controller.reset();
    desk.setTrusted(false);
    start();
    EXPECT_EQ(desk.trustPrompts(), 1);
    EXPECT_FALSE(controller->accessibilityGranted());
    desk.setTrusted(true);
    tickOnce();
    EXPECT_TRUE(controller->accessibilityGranted());
}

TEST_F(ControllerTest, SlotColoursRepeatEveryFive) {
    EXPECT_EQ(Controller::slotColor(0), system_color::kGreen);
    EXPECT_EQ(Controller::slotColor(4), system_color::kPurple);
    EXPECT_EQ(Controller::slotColor(5), system_color::kGreen);
    EXPECT_EQ(Controller::slotColor(7), system_color::kOrange);
}

TEST_F(ControllerTest, NamesFollowSlotsAndRenameGrowsTheList) {
    for (int i = 0; i < 7; ++i) addGame(100 + i, i);
    start();
    EXPECT_EQ(controller->name(controller->clients()[6]), "Window 7");
    EXPECT_EQ(controller->name(WowClient{999}), "WoW");
    EXPECT_EQ(controller->color(WowClient{999}), system_color::kGreen);

    controller->rename(7, "Healer");
    EXPECT_EQ(controller->names(), (std::vector<std::string>{"Window 1", "Window 2", "Window 3", "Window 4",
                                                             "Window 5", "Window 6", "Window 7", "Healer"}));
    EXPECT_EQ(desk.defaultsContents().at("names"), platform::DefaultsValue(controller->names()));

    controller->rename(0, "");
    EXPECT_EQ(controller->name(controller->clients()[0]), "");
    EXPECT_EQ(std::get<platform::StringList>(desk.defaultsContents().at("names"))[0], "");
}

TEST_F(ControllerTest, NegativeSlotRenameChangesNothing) {
    start();
    desk.calls().clear();
    int notifications = 0;
    controller->observe([&](Property) { ++notifications; });
    controller->rename(-1, "x");
    EXPECT_EQ(notifications, 0);
    EXPECT_EQ(desk.calls().count("defaults set"), 0);
    EXPECT_EQ(controller->names().size(), 5U);
}

TEST_F(ControllerTest, TimerHoldsTheControllerWeakly) {
    start();
    std::weak_ptr<Controller> weak = controller;
    controller.reset();
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(desk.queue().activeTimers(), 0U);
    desk.queue().advance(2.0);  // nothing to run, nothing crashes
}

}  // namespace
}  // namespace corvane::testing
