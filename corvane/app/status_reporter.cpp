#include "corvane/app/status_reporter.h"

#include <algorithm>

#include "corvane/controller/controller.h"

namespace corvane {

namespace {

std::string switchKeyLabel(const std::string& id) {
    for (const auto& choice : HotkeyManager::cycleChoices()) {
        if (choice.id == id) return choice.label;
    }
    return "\"" + id + "\"";
}

bool contains(const std::vector<platform::Pid>& pids, platform::Pid pid) {
    return std::find(pids.begin(), pids.end(), pid) != pids.end();
}

std::string describe(const Controller& controller, const WowClient& client) {
    return controller.name(client) + " (pid " + std::to_string(client.pid) + ")";
}

}  // namespace

StatusReporter::StatusReporter(std::shared_ptr<Controller> controller, platform::MainQueue& queue,
                               bool verbose, Print print)
    : controller_(controller), queue_(queue), verbose_(verbose), print_(std::move(print)) {
    token_ = controller->observe([this](Controller::Property property) {
        using P = Controller::Property;
        switch (property) {
            case P::hotkeyRegistered:
            case P::jumpKeysRegistered:
            case P::hotkeyID:
            case P::jumpStyle:
            case P::previewNeedsPermission:
                scheduleCheck();
                break;
            case P::clients:
            case P::activePid:
                if (verbose_) scheduleCheck();
                break;
            default:
                break;
        }
    });
    check();
}

StatusReporter::~StatusReporter() {
    *alive_ = false;
    if (auto controller = controller_.lock()) controller->unobserve(token_);
}

void StatusReporter::scheduleCheck() {
    if (checkPending_) return;
    checkPending_ = true;
    queue_.post([this, alive = std::weak_ptr<bool>(alive_)] {
        const auto living = alive.lock();
        if (!living || !*living) return;
        checkPending_ = false;
        check();
    });
}

void StatusReporter::check() {
    const auto controller = controller_.lock();
    if (!controller) return;
    checkKeys(*controller);
    checkCapture(*controller);
    if (!verbose_) return;
    checkClients(*controller);
    checkActive(*controller);
}

void StatusReporter::checkKeys(const Controller& controller) {
    if (controller.hotkeyRegistered()) {
        takenSwitchKey_.reset();
    } else if (takenSwitchKey_ != controller.hotkeyID()) {
        takenSwitchKey_ = controller.hotkeyID();
        print_("corvane: the switch key " + switchKeyLabel(controller.hotkeyID()) +
               " could not be registered: another program holds it or this keyboard has no such key; "
               "pick another in the panel");
    }
    const std::string jumpKeys(HotkeyManager::title(controller.jumpStyle()));
    if (controller.jumpKeysRegistered()) {
        takenJumpKeys_.reset();
    } else if (takenJumpKeys_ != jumpKeys) {
        takenJumpKeys_ = jumpKeys;
        print_("corvane: some jump keys " + jumpKeys +
               " could not be registered: another program holds them or this keyboard lacks them; "
               "pick another set in the panel");
    }
}

void StatusReporter::checkCapture(const Controller& controller) {
    const bool unavailable = controller.previewNeedsPermission();
    if (unavailable && !captureUnavailable_) {
        print_(
            "corvane: the X server cannot capture windows for the previews: it lacks the Composite "
            "extension");
    }
    captureUnavailable_ = unavailable;
}

void StatusReporter::checkClients(const Controller& controller) {
    std::vector<platform::Pid> now;
    for (const auto& client : controller.clients()) {
        now.push_back(client.pid);
        if (!contains(clients_, client.pid)) print_("corvane: game found: " + describe(controller, client));
    }
    for (const platform::Pid pid : clients_) {
        if (!contains(now, pid)) print_("corvane: game gone: pid " + std::to_string(pid));
    }
    clients_ = std::move(now);
}

void StatusReporter::checkActive(const Controller& controller) {
    const auto active = controller.activePid();
    if (active == active_) return;
    active_ = active;
    if (!active) return;
    const auto& clients = controller.clients();
    const auto client =
        std::find_if(clients.begin(), clients.end(), [&](const WowClient& c) { return c.pid == *active; });
    if (client != clients.end()) print_("corvane: active game: " + describe(controller, *client));
}

}  // namespace corvane
