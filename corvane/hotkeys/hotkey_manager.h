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

    /// One selectable switch key.
    struct Choice {
        std::string id;
        std::string label;
        std::uint32_t keyCode = 0;
        std::uint32_t modifiers = 0;
        friend bool operator==(const Choice&, const Choice&) = default;
    };

    /// One selectable set of jump keys (slots 0 to 4).
    enum class JumpStyle { off, controlNumbers, optionNumbers, functionKeys };

    struct KeyCombo {
        std::uint32_t keyCode = 0;
        std::uint32_t modifiers = 0;
        friend bool operator==(const KeyCombo&, const KeyCombo&) = default;
    };

    /// Signature of every identifier the program registers ("CRVN").
    static constexpr std::uint32_t kSignature = platform::fourCharCode("CRVN");

    /// The seven switch keys, in display order.
    static const std::vector<Choice>& cycleChoices();
    /// The switch key choice stored as `id`, or null for an id no choice has.
    static const Choice* choice(std::string_view id);
    /// The four jump styles, in display order.
    static const std::array<JumpStyle, 4>& allJumpStyles();
    static std::string_view rawValue(JumpStyle style);
    static std::optional<JumpStyle> jumpStyle(std::string_view rawValue);
    static std::string_view title(JumpStyle style);
    /// A choice's label and a style's title in the platform's words.
    static std::string label(const Choice& choice, const platform::PlatformTexts& texts);
    static std::string title(JumpStyle style, const platform::PlatformTexts& texts);
    /// The combination of slot 0 to 4; nullopt for `off` or another slot.
    static std::optional<KeyCombo> key(JumpStyle style, int slot);

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
