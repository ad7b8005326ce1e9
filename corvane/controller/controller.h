#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "corvane/clients/layout.h"
#include "corvane/clients/slot_memory.h"
#include "corvane/clients/wow_client.h"
#include "corvane/controller/problem.h"
#include "corvane/controller/property.h"
#include "corvane/controller/settings.h"
#include "corvane/hotkeys/hotkey_manager.h"
#include "corvane/overlays/border_overlay.h"
#include "corvane/overlays/live_preview.h"
#include "platform/platform.h"

namespace corvane {

/// The one central state object: the running clients, the client being
/// played, every user setting, and the objects that act on the screen.
/// Lives in a shared_ptr; timers, hot keys and previews hold it weakly.
class Controller : public std::enable_shared_from_this<Controller> {
public:
    using Property = corvane::Property;
    /// Told before every assignment to a published property is stored, also
    /// when the value does not change.
    using WillChange = std::function<void(Property)>;

    static constexpr double kTickInterval = 0.4;
    static constexpr double kBorderThickness = 4.0;
    static constexpr std::uint32_t kSwitchHotkeyID = 1;
    static constexpr std::uint32_t kFirstJumpHotkeyID = 10;

    /// Builds the controller and brings it up: settings loaded, hot keys
    /// registered, the permission prompt asked for, the timer scheduled and
    /// one tick done.
    static std::shared_ptr<Controller> create(const platform::Platform& platform);

    ~Controller();
    Controller(const Controller&) = delete;
    Controller& operator=(const Controller&) = delete;
    Controller(Controller&&) = delete;
    Controller& operator=(Controller&&) = delete;

    /// Subscribes to will-change notifications; returns a token for `unobserve`.
    int observe(WillChange observer);
    void unobserve(int token);

    // Published state ------------------------------------------------------
    [[nodiscard]] const std::vector<WowClient>& clients() const { return clients_; }
    [[nodiscard]] std::optional<platform::Pid> activePid() const { return activePid_; }
    [[nodiscard]] bool accessibilityGranted() const { return accessibilityGranted_; }
    [[nodiscard]] bool hotkeyRegistered() const { return hotkeyRegistered_; }
    [[nodiscard]] bool jumpKeysRegistered() const { return jumpKeysRegistered_; }
    [[nodiscard]] Layout layout() const { return values_.layout; }
    [[nodiscard]] const std::string& hotkeyID() const { return values_.hotkeyID; }
    [[nodiscard]] bool showBorder() const { return values_.showBorder; }
    [[nodiscard]] const std::vector<std::string>& names() const { return values_.names; }
    [[nodiscard]] bool showPreview() const { return values_.showPreview; }
    [[nodiscard]] double previewWidth() const { return values_.previewWidth; }
    [[nodiscard]] HotkeyManager::JumpStyle jumpStyle() const { return values_.jumpStyle; }
    [[nodiscard]] bool clickPreviewSwitches() const { return values_.clickPreviewSwitches; }
    [[nodiscard]] bool previewNeedsPermission() const { return previewNeedsPermission_; }
    [[nodiscard]] double mainShare() const { return values_.mainShare; }
    /// Whether a game started again the same way comes back to the slot it had.
    [[nodiscard]] bool keepSlots() const { return values_.keepSlots; }
    /// Whether the previews hide while no game is in front.
    [[nodiscard]] bool previewsWithGame() const { return values_.previewsWithGame; }
    /// Whether each preview shows its game's slot name and colour.
    [[nodiscard]] bool previewLabels() const { return values_.previewLabels; }
    /// The monitor the games are arranged on, by name; "" for the primary one.
    [[nodiscard]] const std::string& arrangeScreen() const { return values_.arrangeScreen; }
    /// The names of the monitors there are now, the primary first.
    [[nodiscard]] std::vector<std::string> screenNames() const;
    /// What the user chose that does not work now: the switch key, the jump
    /// keys, capture; in that order. Follows the flags it comes from.
    [[nodiscard]] std::vector<Problem> problems() const;

    // Settings: each assignment is published, stored, then acted on, also
    // when the value is the current one -----------------------------------
    template <typename T>
    [[nodiscard]] const T& get(const settings::Setting<T>& setting) const {
        return values_.*setting.field;
    }
    template <typename T>
    void set(const settings::Setting<T>& setting, std::type_identity_t<T> value) {
        publish(setting.property, values_.*setting.field, std::move(value));
        settings::store(platform_.defaults, setting, values_.*setting.field);
        react(setting.property);
    }
    void setLayout(Layout value) { set(settings::kLayout, value); }
    void setHotkeyID(std::string value) { set(settings::kHotkey, std::move(value)); }
    void setShowBorder(bool value) { set(settings::kShowBorder, value); }
    void setShowPreview(bool value) { set(settings::kShowPreview, value); }
    void setPreviewWidth(double value) { set(settings::kPreviewWidth, value); }
    void setJumpStyle(HotkeyManager::JumpStyle value) { set(settings::kJumpStyle, value); }
    void setClickPreviewSwitches(bool value) { set(settings::kPreviewClick, value); }
    void setMainShare(double value) { set(settings::kMainShare, value); }
    void setKeepSlots(bool value) { set(settings::kKeepSlots, value); }
    void setPreviewsWithGame(bool value) { set(settings::kPreviewsWithGame, value); }
    void setPreviewLabels(bool value) { set(settings::kPreviewLabels, value); }
    void setArrangeScreen(std::string value) { set(settings::kArrangeScreen, std::move(value)); }

    // Slots ------------------------------------------------------------------
    /// The listed client with this pid, or null.
    [[nodiscard]] const WowClient* client(platform::Pid pid) const;
    /// The slot of the listed client with this pid.
    [[nodiscard]] std::optional<std::size_t> slotOf(platform::Pid pid) const;
    /// The display name of the client's slot; "WoW" for a client not listed.
    [[nodiscard]] std::string name(const WowClient& client) const;
    /// The colour of the client's slot; slot 0's for a client not listed.
    [[nodiscard]] platform::Color color(const WowClient& client) const;
    /// Names a slot; a negative slot changes nothing.
    void rename(int slot, std::string text);
    /// Every client but the active one, in slot order.
    [[nodiscard]] std::vector<WowClient> backgroundClients() const;
    static platform::Color slotColor(std::size_t slot);

    // Operations -------------------------------------------------------------
    void tick();
    void applyLayout();
    void focusClient(const WowClient& client);
    void focusSlot(int slot);
    void switchToNext();
    /// Asks the system to show its permission prompt.
    void requestAccessibility();

    /// Tests and benchmarks look inside through this; they define it.
    friend struct ControllerInspection;

private:
    struct Token {};

public:
    Controller(Token token, const platform::Platform& platform);

private:
    void start();
    void loadSettings();
    void registerHotkeys();
    HotkeyManager::Action mainThreadAction(std::function<void(Controller&)> step);
    void updateBorder();
    void updatePreview();
    /// Whether the previews show now: switched on, and a game in front where the player asks for that.
    [[nodiscard]] bool previewsWanted() const;
    /// The area the layouts fill, in window space: the visible frame of the
    /// chosen monitor, or of the primary one while that is not there.
    [[nodiscard]] std::optional<platform::Rect> arrangeArea() const;
    void discardPreviews(const std::vector<WowClient>& targets);
    std::shared_ptr<LivePreview> makePreview(int slot, const WowClient& client);
    /// `index`, unless a live preview holds that slot: then the lowest slot none holds.
    [[nodiscard]] int freePreviewSlot(int index) const;
    /// Why the registration that just failed failed, as the registry's refusal tells.
    [[nodiscard]] Problem keyProblem(Problem taken, Problem missing) const;
    [[nodiscard]] const WowClient* activeClient() const;
    /// The running clients in slot order: as they were launched, or where
    /// slots are kept, by the slot their launch last held.
    [[nodiscard]] std::vector<WowClient> runningClients();
    [[nodiscard]] std::vector<std::optional<std::string>> launchIdentities(
        const std::vector<WowClient>& clients) const;
    /// Remembers the slots of the launches running now; saved when that adds one.
    void rememberSlots(const std::vector<std::optional<std::string>>& identities);

    template <typename T>
    void publish(Property property, T& field, T value) {
        willChange(property);
        field = std::move(value);
    }
    void willChange(Property property);
    /// What a setting's new value changes beyond itself.
    void react(Property setting);
    void keepSlotsChanged();

    platform::Platform platform_;
    std::map<int, WillChange> observers_;
    int nextObserver_ = 1;

    // Published, in declaration order.
    std::vector<WowClient> clients_;
    std::optional<platform::Pid> activePid_;
    bool accessibilityGranted_ = false;
    bool hotkeyRegistered_ = false;
    bool jumpKeysRegistered_ = true;
    settings::Values values_;  // every setting
    bool previewNeedsPermission_ = false;
    /// Where the games were last arranged, while a monitor of the player's choice is asked for.
    std::optional<platform::Rect> arrangedArea_;
    SlotMemory slotMemory_;
    // Why the flags above say a registration failed; set together with them.
    std::optional<Problem> hotkeyProblem_;
    std::optional<Problem> jumpKeysProblem_;

    // Owned, in declaration order.
    std::unique_ptr<BorderOverlay> border_;
    std::map<platform::Pid, std::shared_ptr<LivePreview>> previews_;
    std::unique_ptr<HotkeyManager> hotkeys_;
    std::unique_ptr<platform::Timer> timer_;
};

}  // namespace corvane
