#include "corvane/hotkeys/hotkey_manager.h"

#include <algorithm>

namespace corvane {

namespace {

using platform::modifier::kControl;
using platform::modifier::kOption;

struct JumpStyleInfo {
    HotkeyManager::JumpStyle style;
    std::string_view rawValue;
    std::string_view title;
    std::array<std::uint32_t, 5> keyCodes;  // slots 0 to 4
    std::uint32_t modifiers;
};

// The number row's key codes are not in order: 5 (23) sits past 6 (22).
constexpr std::array<std::uint32_t, 5> kNumberKeys{18, 19, 20, 21, 23};
constexpr std::array<std::uint32_t, 5> kFunctionKeys{105, 107, 113, 106, 64};  // F13 to F17

constexpr std::array<JumpStyleInfo, 4> kJumpStyles{{
    {HotkeyManager::JumpStyle::off, "off", "Off", {}, 0},
    {HotkeyManager::JumpStyle::controlNumbers, "controlNumbers", "Control + 1…5", kNumberKeys, kControl},
    {HotkeyManager::JumpStyle::optionNumbers, "optionNumbers", "Option + 1…5", kNumberKeys, kOption},
    {HotkeyManager::JumpStyle::functionKeys, "functionKeys", "F13…F17", kFunctionKeys, 0},
}};

const JumpStyleInfo& info(HotkeyManager::JumpStyle style) {
    return *std::find_if(kJumpStyles.begin(), kJumpStyles.end(),
                         [style](const JumpStyleInfo& entry) { return entry.style == style; });
}

}  // namespace

const std::vector<HotkeyManager::Choice>& HotkeyManager::cycleChoices() {
    static const std::vector<Choice> choices{
        {"grave", "` (backtick)", 50, 0},
        {"ctrlTab", "Control + Tab", 48, kControl},
        {"optTab", "Option + Tab", 48, kOption},
        {"f13", "F13", 105, 0},
        {"f14", "F14", 107, 0},
        {"f15", "F15", 113, 0},
        {"f12", "F12", 111, 0},
    };
    return choices;
}

const HotkeyManager::Choice* HotkeyManager::choice(std::string_view id) {
    const auto& choices = cycleChoices();
    const auto found =
        std::find_if(choices.begin(), choices.end(), [id](const Choice& c) { return c.id == id; });
    return found != choices.end() ? &*found : nullptr;
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
    const auto found = texts.hotkeyLabels.find(choice.id);
    return found != texts.hotkeyLabels.end() ? found->second : choice.label;
}

std::string HotkeyManager::title(JumpStyle style, const platform::PlatformTexts& texts) {
    const auto found = texts.jumpStyleTitles.find(std::string(rawValue(style)));
    return found != texts.jumpStyleTitles.end() ? found->second : std::string(title(style));
}

std::optional<HotkeyManager::KeyCombo> HotkeyManager::key(JumpStyle style, int slot) {
    if (style == JumpStyle::off || slot < 0 || slot >= 5) return std::nullopt;
    const auto& entry = info(style);
    return KeyCombo{entry.keyCodes[static_cast<std::size_t>(slot)], entry.modifiers};
}

}  // namespace corvane
