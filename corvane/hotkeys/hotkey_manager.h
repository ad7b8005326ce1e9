#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/hot_key_service.h"
#include "platform/main_queue.h"
#include "platform/platform_texts.h"

namespace corvane {

/// The program's registry of system-wide hot keys. Presses are handed to the
/// main queue; an action never runs inside the platform's handler.
class HotkeyManager {
public:
    using Action = std::function<void()>;
    /// The slots a jump key style has keys for.
    static constexpr int kJumpSlots = 5;

    struct KeyCombo {
        std::uint32_t keyCode = 0;
        std::uint32_t modifiers = 0;
        friend bool operator==(const KeyCombo&, const KeyCombo&) = default;
    };

    /// One key of the table, in each vocabulary it is handed on in.
    struct Key {
        std::uint32_t code = 0;       ///< classic Macintosh virtual key code: what the platform layer takes
        std::string_view xkbName;     ///< the physical key's name in XKB keymaps ("TLDE")
        std::string_view portalName;  ///< the key's name in the desktop portal's triggers ("grave")
        friend bool operator==(const Key&, const Key&) = default;
    };

    /// One selectable switch key.
    struct Choice {
        std::string_view id;  ///< what the "hotkey" setting stores
        std::string_view label;
        std::string_view x11Label;  ///< the label where X11 words it otherwise; empty where it does not
        Key key;
        std::uint32_t modifiers = 0;
        [[nodiscard]] KeyCombo combo() const { return {key.code, modifiers}; }
        friend bool operator==(const Choice&, const Choice&) = default;
    };

    /// One selectable set of jump keys (slots 0 to 4).
    enum class JumpStyle { off, controlNumbers, optionNumbers, functionKeys };

    /// A key the settings ask for.
    struct WantedKey {
        std::optional<int> slot;  ///< the jump key's slot; nullopt for the switch key
        KeyCombo combo;
        std::string_view xkbName;
        std::string trigger;  ///< in the desktop portal's words ("CTRL+Tab")
        friend bool operator==(const WantedKey&, const WantedKey&) = default;
    };

    /// Signature of every identifier the program registers ("CRVN").
    static constexpr std::uint32_t kSignature = platform::fourCharCode("CRVN");

    /// The seven switch keys, in display order.
    static const std::array<Choice, 7>& cycleChoices();
    /// The switch key choice stored as `id`, or null for an id no choice has.
    static const Choice* choice(std::string_view id);
    /// The choice a stored id registers: the first one for an id no choice has.
    static const Choice& switchKey(std::string_view id);
    /// The four jump styles, in display order.
    static const std::array<JumpStyle, 4>& allJumpStyles();
    static std::string_view rawValue(JumpStyle style);
    static std::optional<JumpStyle> jumpStyle(std::string_view rawValue);
    static std::string_view title(JumpStyle style);
    /// A choice's label and a style's title in the platform's words.
    static std::string label(const Choice& choice, const platform::PlatformTexts& texts);
    static std::string title(JumpStyle style, const platform::PlatformTexts& texts);
    /// The keys the switch key setting `hotkeyID` and the jump style ask for:
    /// the switch key, then the style's jump keys by slot.
    static std::vector<WantedKey> wantedKeys(std::string_view hotkeyID, JumpStyle style);

    HotkeyManager(platform::HotKeyService& service, platform::MainQueue& queue);
    ~HotkeyManager();
    HotkeyManager(const HotkeyManager&) = delete;
    HotkeyManager& operator=(const HotkeyManager&) = delete;
    HotkeyManager(HotkeyManager&&) = delete;
    HotkeyManager& operator=(HotkeyManager&&) = delete;

    /// Registers a combination under `id`, replacing what was there.
    /// Returns false, keeping nothing under `id`, when the platform refuses.
    bool registerKey(std::uint32_t id, std::uint32_t keyCode, std::uint32_t modifiers, Action action);
    /// The platform's status of the latest registration that failed.
    [[nodiscard]] platform::HotKeyStatus lastRefusal() const { return lastRefusal_; }
    void unregister(std::uint32_t id);
    void unregisterAll();

    [[nodiscard]] const std::map<std::uint32_t, platform::HotKeyRef>& refs() const { return refs_; }
    [[nodiscard]] bool hasAction(std::uint32_t id) const { return actions_.contains(id); }
    [[nodiscard]] bool hasHandler() const { return handlerRef_.has_value(); }

private:
    void installHandler();
    std::int32_t handle(const platform::HotKeyEvent* event);

    platform::HotKeyService& service_;
    platform::MainQueue& queue_;
    std::map<std::uint32_t, platform::HotKeyRef> refs_;
    std::map<std::uint32_t, Action> actions_;
    std::optional<platform::HotKeyHandlerRef> handlerRef_;
    platform::HotKeyStatus lastRefusal_ = platform::kHotKeyNoError;
};

}  // namespace corvane
