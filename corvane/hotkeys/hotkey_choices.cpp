#include "corvane/hotkeys/hotkey_manager.h"

#include <algorithm>

namespace corvane {

namespace {

using platform::modifier::kCommand;
using platform::modifier::kControl;
using platform::modifier::kOption;
using platform::modifier::kShift;
using Key = HotkeyManager::Key;
using JumpStyle = HotkeyManager::JumpStyle;
using JumpKeys = std::array<Key, HotkeyManager::kJumpSlots>;

constexpr Key kTab{48, "TAB", "Tab"};
constexpr Key kF13{105, "FK13", "F13"};
constexpr Key kF14{107, "FK14", "F14"};
constexpr Key kF15{113, "FK15", "F15"};

constexpr std::array<HotkeyManager::Choice, 7> kChoices{{
    {"grave", "` (backtick)", "", {50, "TLDE", "grave"}, 0},
    {"ctrlTab", "Control + Tab", "", kTab, kControl},
    {"optTab", "Option + Tab", "Alt + Tab", kTab, kOption},
    {"f13", "F13", "", kF13, 0},
    {"f14", "F14", "", kF14, 0},
    {"f15", "F15", "", kF15, 0},
    {"f12", "F12", "", {111, "FK12", "F12"}, 0},
}};

struct JumpStyleInfo {
    JumpStyle style;
    std::string_view rawValue;
    std::string_view title;
    std::string_view x11Title;  // empty where X11 words it the same
    JumpKeys keys;              // slots 0 to 4
    std::uint32_t modifiers;
};

// The number row's key codes are not in order: 5 (23) sits past 6 (22).
constexpr JumpKeys kNumberKeys{{
    {18, "AE01", "1"},
    {19, "AE02", "2"},
    {20, "AE03", "3"},
    {21, "AE04", "4"},
    {23, "AE05", "5"},
}};
constexpr JumpKeys kFunctionKeys{{kF13, kF14, kF15, {106, "FK16", "F16"}, {64, "FK17", "F17"}}};

constexpr std::array<JumpStyleInfo, 4> kJumpStyles{{
    {JumpStyle::off, "off", "Off", "", {}, 0},
    {JumpStyle::controlNumbers, "controlNumbers", "Control + 1\u20265", "", kNumberKeys, kControl},
    {JumpStyle::optionNumbers, "optionNumbers", "Option + 1\u20265", "Alt + 1\u20265", kNumberKeys, kOption},
    {JumpStyle::functionKeys, "functionKeys", "F13\u2026F17", "", kFunctionKeys, 0},
}};

const JumpStyleInfo& info(JumpStyle style) {
    return *std::find_if(kJumpStyles.begin(), kJumpStyles.end(),
                         [style](const JumpStyleInfo& entry) { return entry.style == style; });
}

std::string portalTrigger(std::uint32_t modifiers, const Key& key) {
    std::string trigger;
    if ((modifiers & kControl) != 0) trigger += "CTRL+";
    if ((modifiers & kOption) != 0) trigger += "ALT+";
    if ((modifiers & kShift) != 0) trigger += "SHIFT+";
    if ((modifiers & kCommand) != 0) trigger += "LOGO+";
    return trigger + std::string(key.portalName);
}

std::string inWords(std::string_view own, std::string_view x11, const platform::PlatformTexts& texts) {
    return std::string(texts.x11KeyLabels && !x11.empty() ? x11 : own);
}

}  // namespace

const std::array<HotkeyManager::Choice, 7>& HotkeyManager::cycleChoices() {
    return kChoices;
}

const HotkeyManager::Choice* HotkeyManager::choice(std::string_view id) {
    const auto* const found =
        std::find_if(kChoices.begin(), kChoices.end(), [id](const Choice& c) { return c.id == id; });
    return found != kChoices.end() ? found : nullptr;
}

const HotkeyManager::Choice& HotkeyManager::switchKey(std::string_view id) {
    const auto* found = choice(id);
    return found != nullptr ? *found : kChoices.front();
}

const std::array<HotkeyManager::JumpStyle, 4>& HotkeyManager::allJumpStyles() {
    static constexpr std::array<JumpStyle, 4> styles{JumpStyle::off, JumpStyle::controlNumbers,
                                                     JumpStyle::optionNumbers, JumpStyle::functionKeys};
    return styles;
}

std::string_view HotkeyManager::rawValue(JumpStyle style) {
    return info(style).rawValue;
}

std::optional<HotkeyManager::JumpStyle> HotkeyManager::jumpStyle(std::string_view rawValue) {
    for (const auto& entry : kJumpStyles) {
        if (entry.rawValue == rawValue) return entry.style;
    }
    return std::nullopt;
}

std::string_view HotkeyManager::title(JumpStyle style) {
    return info(style).title;
}

std::string HotkeyManager::label(const Choice& choice, const platform::PlatformTexts& texts) {
    return inWords(choice.label, choice.x11Label, texts);
}

std::string HotkeyManager::title(JumpStyle style, const platform::PlatformTexts& texts) {
    return inWords(info(style).title, info(style).x11Title, texts);
}

std::vector<HotkeyManager::WantedKey> HotkeyManager::wantedKeys(std::string_view hotkeyID, JumpStyle style) {
    const Choice& switching = switchKey(hotkeyID);
    std::vector<WantedKey> keys{{std::nullopt, switching.combo(), switching.key.xkbName,
                                 portalTrigger(switching.modifiers, switching.key)}};
    if (style == JumpStyle::off) return keys;
    const auto& entry = info(style);
    for (int slot = 0; slot < kJumpSlots; ++slot) {
        const Key& jump = entry.keys[static_cast<std::size_t>(slot)];
        keys.push_back(
            {slot, {jump.code, entry.modifiers}, jump.xkbName, portalTrigger(entry.modifiers, jump)});
    }
    return keys;
}

}  // namespace corvane
