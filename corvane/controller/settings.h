#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "corvane/clients/layout.h"
#include "corvane/hotkeys/hotkey_manager.h"

namespace corvane::settings {

/// One persisted setting: its key in the defaults store and its value while
/// nothing (or nothing readable) is stored.
template <typename T>
struct Setting {
    std::string_view key;
    T fallback;
};

inline constexpr Setting<Layout> kLayout{"layout", Layout::mainPlusSide};
inline constexpr Setting<std::string_view> kHotkey{"hotkey", "grave"};
inline constexpr Setting<bool> kShowBorder{"showBorder", true};
inline constexpr std::string_view kNamesKey = "names";
inline constexpr Setting<double> kMainShare{"mainShare", 0.72};
inline constexpr Setting<bool> kShowPreview{"showPreview", false};
inline constexpr Setting<double> kPreviewWidth{"previewWidth", 420.0};
inline constexpr Setting<bool> kPreviewClick{"previewClick", true};
inline constexpr Setting<HotkeyManager::JumpStyle> kJumpStyle{"jumpStyle", HotkeyManager::JumpStyle::off};
inline constexpr Setting<bool> kKeepSlots{"keepSlots", false};
inline constexpr Setting<bool> kPreviewsWithGame{"previewsWithGame", false};
inline constexpr Setting<bool> kPreviewLabels{"previewLabels", false};
/// The monitor the games are arranged on, by name; "" for the primary one.
inline constexpr Setting<std::string_view> kArrangeScreen{"arrangeScreen", ""};
/// The launches whose slots are kept, in slot order (SlotMemory); only while kKeepSlots is on.
inline constexpr std::string_view kSlotLaunchesKey = "slotLaunches";

/// The names of the five slots before the user renames any.
inline std::vector<std::string> defaultNames() {
    return {"Window 1", "Window 2", "Window 3", "Window 4", "Window 5"};
}

}  // namespace corvane::settings
