#include "corvane/shell/status_reporter.h"

#include <algorithm>

#include "corvane/controller/controller.h"

namespace corvane {

namespace {

std::string switchKeyLabel(const std::string& id, const platform::PlatformTexts& texts) {
    if (const auto* choice = HotkeyManager::choice(id)) return HotkeyManager::label(*choice, texts);
    return "\"" + id + "\"";
}

/// What a problem is about, for a reader who does not see the panel.
std::string subject(const Controller& controller, Problem problem, const platform::PlatformTexts& texts) {
    switch (problem) {
        case Problem::hotkeyTaken:
        case Problem::hotkeyMissing:
            return "the switch key " + switchKeyLabel(controller.hotkeyID(), texts);
        case Problem::jumpKeysTaken:
        case Problem::jumpKeysMissing:
        case Problem::jumpKeysCollide:
            return "the jump keys " + HotkeyManager::title(controller.jumpStyle(), texts);
        case Problem::captureUnavailable:
            break;
    }
    return "the previews";
}

bool contains(const std::vector<platform::Pid>& pids, platform::Pid pid) {
    return std::find(pids.begin(), pids.end(), pid) != pids.end();
}

std::string describe(const Controller& controller, const WowClient& client) {
    return controller.name(client) + " (pid " + std::to_string(client.pid) + ")";
}

}  // namespace

StatusReporter::StatusReporter(const std::shared_ptr<Controller>& controller, platform::PlatformTexts texts,
                               platform::MainQueue& queue, bool verbose, Print print)
    : controller_(controller),
      texts_(std::move(texts)),
      queue_(queue),
      verbose_(verbose),
      print_(std::move(print)) {
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
    if (auto controller = controller_.lock()) controller->unobserve(token_);
}

void StatusReporter::scheduleCheck() {
    checkOnce_.request();
}

void StatusReporter::check() {
    const auto controller = controller_.lock();
    if (!controller) return;
    checkProblems(*controller);
    if (!verbose_) return;
    checkClients(*controller);
    checkActive(*controller);
}

void StatusReporter::checkProblems(const Controller& controller) {
    std::vector<std::string> now;
    for (const Problem problem : controller.problems()) {
        now.push_back("corvane: " + subject(controller, problem, texts_) + ": " + text(texts_, problem));
        if (std::find(problems_.begin(), problems_.end(), now.back()) == problems_.end()) print_(now.back());
    }
    problems_ = std::move(now);
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
    if (const auto* client = controller.client(*active))
        print_("corvane: active game: " + describe(controller, *client));
}

}  // namespace corvane
