#include "corvane/controller/controller.h"

#include <algorithm>
#include <array>

#include "corvane/system_colors.h"

namespace corvane {

namespace {

constexpr std::array<platform::Color, 5> kSlotColors{system_color::kGreen, system_color::kBlue,
                                                     system_color::kOrange, system_color::kPink,
                                                     system_color::kPurple};

bool samePids(const std::vector<WowClient>& a, const std::vector<WowClient>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const WowClient& x, const WowClient& y) { return x.pid == y.pid; });
}

std::string defaultName(std::size_t slot) {
    return "Window " + std::to_string(slot + 1);
}

}  // namespace

Controller::Controller(Token /*token*/, const platform::Platform& platform)
    : platform_(platform),
      accessibilityGranted_(platform.accessibility.isProcessTrusted()),
      border_(std::make_unique<BorderOverlay>(platform.windows, platform.screens)),
      hotkeys_(std::make_unique<HotkeyManager>(platform.hotKeys, platform.mainQueue)) {
    loadSettings();
}

Controller::~Controller() = default;

std::shared_ptr<Controller> Controller::create(const platform::Platform& platform) {
    auto controller = std::make_shared<Controller>(Token{}, platform);
    controller->start();
    return controller;
}

void Controller::start() {
    registerHotkeys();
    if (!accessibilityGranted_) platform_.accessibility.requestTrust();
    std::weak_ptr<Controller> weak = weak_from_this();
    platform::MainQueue& queue = platform_.mainQueue;
    // The firing only queues the tick, so a tick never runs inside the timer
    // callback and never overlaps another step.
    timer_ = queue.scheduleRepeating(kTickInterval, [weak, &queue] {
        queue.post([weak] {
            if (auto self = weak.lock()) self->tick();
        });
    });
    tick();
}

int Controller::observe(WillChange observer) {
    const int token = nextObserver_++;
    observers_.emplace(token, std::move(observer));
    return token;
}

void Controller::unobserve(int token) {
    observers_.erase(token);
}

void Controller::willChange(Property property) {
    for (const auto& [token, observer] : observers_) observer(property);
}

void Controller::tick() {
    publish(Property::accessibilityGranted, accessibilityGranted_,
            platform_.accessibility.isProcessTrusted());
    auto found = runningClients();
    if (!samePids(found, clients_)) {
        const std::size_t oldCount = clients_.size();
        const std::size_t newCount = found.size();
        publish(Property::clients, clients_, std::move(found));
        if (activePid_ && !slotOf(*activePid_)) publish(Property::activePid, activePid_, {});
        if (oldCount < newCount) applyLayout();
    }
    const auto frontmost = platform_.workspace.frontmostApplicationPid();
    if (frontmost && slotOf(*frontmost) && activePid_ != frontmost) {
        publish(Property::activePid, activePid_, frontmost);
        if (values_.layout == Layout::mainPlusSide) applyLayout();
    }
    // A chosen monitor that went away, or came back: the games follow it.
    if (!values_.arrangeScreen.empty() && arrangedArea_ && arrangeArea() != arrangedArea_) applyLayout();
    updateBorder();
    updatePreview();
}

std::vector<WowClient> Controller::runningClients() {
    auto clients = WowClient::running(platform_.workspace, platform_.processInfo);
    if (!values_.keepSlots || clients.empty()) return clients;
    auto identities = launchIdentities(clients);
    slotMemory_.order(clients, identities);
    rememberSlots(identities);
    return clients;
}

const WowClient* Controller::client(platform::Pid pid) const {
    const auto slot = slotOf(pid);
    return slot ? &clients_[*slot] : nullptr;
}

std::optional<std::size_t> Controller::slotOf(platform::Pid pid) const {
    auto it =
        std::find_if(clients_.begin(), clients_.end(), [pid](const WowClient& c) { return c.pid == pid; });
    if (it == clients_.end()) return std::nullopt;
    return static_cast<std::size_t>(it - clients_.begin());
}

const WowClient* Controller::activeClient() const {
    if (!activePid_) return nullptr;
    const auto slot = slotOf(*activePid_);
    return slot ? &clients_[*slot] : nullptr;
}

std::string Controller::name(const WowClient& client) const {
    const auto slot = slotOf(client.pid);
    if (!slot) return "WoW";
    if (*slot < values_.names.size()) return values_.names[*slot];
    return defaultName(*slot);
}

platform::Color Controller::slotColor(std::size_t slot) {
    return kSlotColors.at(slot % kSlotColors.size());
}

platform::Color Controller::color(const WowClient& client) const {
    return slotColor(slotOf(client.pid).value_or(0));
}

void Controller::rename(int slot, std::string text) {
    if (slot < 0) return;
    const auto index = static_cast<std::size_t>(slot);
    auto copy = values_.names;
    while (copy.size() <= index) copy.push_back(defaultName(copy.size()));
    copy[index] = std::move(text);
    set(settings::kNames, std::move(copy));
}

std::vector<WowClient> Controller::backgroundClients() const {
    std::vector<WowClient> out;
    for (const auto& client : clients_) {
        if (client.pid != activePid_) out.push_back(client);
    }
    return out;
}

std::vector<Problem> Controller::problems() const {
    std::vector<Problem> found;
    if (hotkeyProblem_) found.push_back(*hotkeyProblem_);
    if (jumpKeysProblem_) found.push_back(*jumpKeysProblem_);
    if (previewNeedsPermission_) found.push_back(Problem::captureUnavailable);
    return found;
}

void Controller::updateBorder() {
    const WowClient* active = (values_.showBorder && accessibilityGranted_) ? activeClient() : nullptr;
    if (active != nullptr && platform_.workspace.frontmostApplicationPid() == active->pid) {
        if (const auto window = active->mainWindow(platform_.accessibility)) {
            if (const auto frame = WowClient::frame(*window, platform_.accessibility)) {
                border_->show(*frame, color(*active), kBorderThickness);
                return;
            }
        }
    }
    border_->hide();
}

bool Controller::previewsWanted() const {
    if (!values_.showPreview) return false;
    if (!values_.previewsWithGame) return true;
    // Hidden while the player is elsewhere (a browser), as the border is;
    // discarded previews stop their captures, so they cost nothing then.
    const auto frontmost = platform_.workspace.frontmostApplicationPid();
    return frontmost && slotOf(*frontmost);
}

void Controller::updatePreview() {
    const auto targets = previewsWanted() ? backgroundClients() : std::vector<WowClient>{};
    discardPreviews(targets);
    // Asked once per step, not once per preview: this runs on every tick.
    const auto screens = targets.empty() ? std::vector<platform::Screen>{} : platform_.screens.screens();
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const WowClient& client = targets[i];
        auto& preview = previews_[client.pid];
        if (!preview) preview = makePreview(freePreviewSlot(static_cast<int>(i)), client);
        preview->show(client, values_.previewWidth);
        preview->setLabel(values_.previewLabels
                              ? std::optional<platform::PanelLabel>({name(client), color(client)})
                              : std::nullopt);
        preview->keepOnScreen(screens);
    }
    const bool missing = std::any_of(previews_.begin(), previews_.end(),
                                     [](const auto& entry) { return entry.second->needsPermission(); });
    publish(Property::previewNeedsPermission, previewNeedsPermission_, missing);
}

int Controller::freePreviewSlot(int index) const {
    // Two previews in one slot would lie exactly on top of each other, one
    // hiding the other: a slot a live preview holds goes to the lowest free one.
    const auto held = [this](int slot) {
        return std::any_of(previews_.begin(), previews_.end(), [slot](const auto& entry) {
            return entry.second && entry.second->slot() == slot;
        });
    };
    if (!held(index)) return index;
    int slot = 0;
    while (held(slot)) ++slot;
    return slot;
}

void Controller::discardPreviews(const std::vector<WowClient>& targets) {
    for (auto it = previews_.begin(); it != previews_.end();) {
        const platform::Pid pid = it->first;
        const bool wanted =
            std::any_of(targets.begin(), targets.end(), [pid](const WowClient& c) { return c.pid == pid; });
        if (wanted) {
            ++it;
            continue;
        }
        it->second->stop();
        it = previews_.erase(it);
    }
}

std::shared_ptr<LivePreview> Controller::makePreview(int slot, const WowClient& client) {
    auto preview = LivePreview::create(slot, {platform_.windows, platform_.capture, platform_.defaults,
                                              platform_.screens, platform_.mainQueue});
    std::weak_ptr<Controller> weak = weak_from_this();
    preview->onClick = [weak, client] {
        auto self = weak.lock();
        if (self && self->values_.clickPreviewSwitches) self->focusClient(client);
    };
    return preview;
}

}  // namespace corvane
