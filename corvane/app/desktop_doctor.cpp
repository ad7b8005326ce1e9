#include "corvane/app/desktop_doctor.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string_view>
#include <system_error>

#include "corvane/app/portal_shortcuts.h"
#include "corvane/clients/wow_client.h"
#include "corvane/command_line/kwin_key_reach.h"
#include "corvane/command_line/runtime_folder.h"
#include "corvane/command_line/single_instance.h"
#include "corvane/controller/settings.h"
#include "corvane/hotkeys/hotkey_manager.h"
#include "platform/store/json_defaults_store.h"
#include "platform/x11/check/desktop_check.h"
#include "platform/x11/check/game_report.h"
#include "platform/x11/wire/display_identity.h"
#include "platform/x11/x11_texts.h"
#include "platform/xdg_paths.h"

namespace corvane::app {

namespace {

using x11::DesktopFinding;
using Verdict = DesktopFinding::Verdict;

/// What `--check` calls a key the settings ask for.
std::string what(const HotkeyManager::WantedKey& key, const settings::Values& values,
                 const platform::PlatformTexts& texts) {
    if (!key.slot)
        return "the switch key " + HotkeyManager::label(HotkeyManager::switchKey(values.hotkeyID), texts);
    return "the jump key for slot " + std::to_string(*key.slot + 1) + " (" +
           HotkeyManager::title(values.jumpStyle, texts) + ")";
}

/// The keys the settings name, as the controller would register them.
std::vector<x11::KeyToCheck> keysOf(const settings::Values& values, const platform::PlatformTexts& texts) {
    std::vector<x11::KeyToCheck> keys;
    for (const auto& key : HotkeyManager::wantedKeys(values.hotkeyID, values.jumpStyle))
        keys.push_back({what(key, values, texts), key.combo.keyCode, key.combo.modifiers});
    return keys;
}

DesktopFinding trayOverDBus() {
    const auto bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return {Verdict::fallback, "no D-Bus session: no tray over D-Bus", {}};
    const bool watcher =
        bus.interface()->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher"));
    if (watcher)
        return {Verdict::works, "a StatusNotifierWatcher is on the session bus (a tray over D-Bus)", {}};
    return {Verdict::fallback, "no StatusNotifierWatcher on the session bus (no tray over D-Bus)", {}};
}

/// Under Wayland an X grab fires only while an X window has the focus.
DesktopFinding keysEverywhere() {
    if (PortalShortcuts::available()) {
        return {Verdict::works,
                "the desktop portal has global shortcuts: the keys work whichever window has the focus",
                {}};
    }
    return {Verdict::fallback,
            "no desktop portal with global shortcuts: the keys work only while a game or another X window "
            "has the focus",
            {}};
}

/// A key for KWin's rules, with what to pick instead: a key that types no
/// character and one held with Control, of the same kind.
KeyReachQuestion question(const HotkeyManager::WantedKey& key, const settings::Values& values,
                          const platform::PlatformTexts& texts) {
    using JumpStyle = HotkeyManager::JumpStyle;
    if (!key.slot) {
        return {what(key, values, texts), std::string(key.xkbName), key.combo.modifiers,
                HotkeyManager::label(HotkeyManager::switchKey("f13"), texts),
                HotkeyManager::label(HotkeyManager::switchKey("ctrlTab"), texts)};
    }
    return {"the jump keys (" + HotkeyManager::title(values.jumpStyle, texts) + ")", std::string(key.xkbName),
            key.combo.modifiers, HotkeyManager::title(JumpStyle::functionKeys, texts),
            HotkeyManager::title(JumpStyle::controlNumbers, texts)};
}

/// Under KDE Plasma on Wayland: whether each key the settings ask for gets
/// past KWin's Legacy X11 App Support from a Wayland window.
std::vector<DesktopFinding> keysFromWaylandWindows(x11::X11Backend& backend, const settings::Values& values,
                                                   const platform::PlatformTexts& texts) {
    const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
    const bool kde =
        (desktop != nullptr && std::string_view(desktop).find("KDE") != std::string_view::npos) ||
        backend.windowCache().windowManagerName() == "KWin";
    if (!kde) return {};
    const auto mode = userKwinEavesdrop(platform::configDirectory());
    std::vector<DesktopFinding> findings;
    for (const auto& key : HotkeyManager::wantedKeys(values.hotkeyID, values.jumpStyle)) {
        // The jump keys are all of one kind: the first stands for them.
        if (key.slot.value_or(0) > 0) continue;
        const auto reach = keyReach(mode, question(key, values, texts));
        findings.push_back({reach.everywhere ? Verdict::works : Verdict::fallback, reach.line, {}});
    }
    return findings;
}

/// The games found, and each window that looks like one but is not taken.
std::vector<DesktopFinding> games(x11::X11Backend& backend, platform::DefaultsStore& store) {
    const auto running = WowClient::running(backend.workspace(), backend.platform(store).processInfo);
    std::set<platform::Pid> pids;
    for (const auto& client : running) pids.insert(client.pid);
    std::vector<DesktopFinding> findings{
        {Verdict::works,
         std::to_string(running.size()) + " game" + (running.size() == 1 ? "" : "s") + " running now",
         {}}};
    const auto each = x11::gameFindings(backend.connection(), backend.workspace(), pids);
    findings.insert(findings.end(), each.begin(), each.end());
    return findings;
}

DesktopFinding settingsFile(const std::filesystem::path& path) {
    if (path.empty()) {
        return {Verdict::missing, "no settings file: no home folder is known",
                "set HOME to your home folder"};
    }
    std::error_code error;
    const bool there = std::filesystem::exists(path, error);
    const auto folder = path.parent_path();
    // The store's own answer, so that both say the same of a FIFO or a huge file.
    const std::string unreadable = platform::JsonDefaultsStore::whyUnreadable(path);
    const bool writable = there
                              ? access(path.c_str(), W_OK) == 0 && access(folder.c_str(), W_OK) == 0
                              : !std::filesystem::exists(folder, error) || access(folder.c_str(), W_OK) == 0;
    std::string line =
        "the settings file " + path.string() + (there ? "" : " (not there yet: the defaults hold)");
    if (unreadable.empty() && writable) return {Verdict::works, line + " can be read and written", {}};
    return {Verdict::missing,
            line + (unreadable.empty() ? " cannot be written" : " cannot be read: " + unreadable),
            "make the settings file readable and its folder writable"};
}

void print(const DesktopFinding& finding) {
    const char* mark = finding.verdict == Verdict::works      ? "ok"
                       : finding.verdict == Verdict::fallback ? "--"
                                                              : "NO";
    std::printf("  %s  %s\n", mark, finding.line.c_str());
}

}  // namespace

int runDesktopCheck(const RunOptions& options, std::vector<std::string> arguments) {
    auto backend = x11::X11Backend::open(options.display, std::move(arguments));
    if (!backend) {
        std::printf(
            "  NO  no X display can be opened (%s)\nTo do: run Corvane in your desktop session, or name "
            "the display with --display\n",
            options.display.empty() ? "DISPLAY is not set or unreachable" : options.display.c_str());
        return 1;
    }
    int argc = 1;
    char name[] = "corvane";
    char* argv[] = {name, nullptr};
    const QCoreApplication application(argc, argv);

    platform::JsonDefaultsStore store(platform::JsonDefaultsStore::defaultPath());
    const auto texts = x11::platformTexts();
    const auto values = settings::load(store);
    x11::DesktopNeeds needs;
    needs.border = values.showBorder;
    needs.previews = values.showPreview;
    // A running Corvane holds the keys itself: asking for them would only find them taken.
    const bool corvaneRuns = [&] {
        const char* display = std::getenv("DISPLAY");
        const auto identity =
            x11::displayIdentity(options.display.empty() && display != nullptr ? display : options.display);
        const auto folder = runtimeFolder();
        // The lock, not the socket: one that is still starting holds the keys already.
        return identity && !folder.path.empty() && SingleInstance(folder.path, *identity).heldElsewhere();
    }();
    if (!corvaneRuns) needs.keys = keysOf(values, texts);

    std::printf("What Corvane needs, and what this desktop gives:\n");
    auto findings = x11::checkDesktop(*backend, needs);
    if (corvaneRuns) findings.push_back({Verdict::works, "Corvane runs already and holds its keys", {}});
    if (x11::connectionIsXwayland(backend->connection())) {
        findings.push_back(keysEverywhere());
        const auto kwinKeys = keysFromWaylandWindows(*backend, values, texts);
        findings.insert(findings.end(), kwinKeys.begin(), kwinKeys.end());
    }
    findings.push_back(trayOverDBus());
    const auto gameLines = games(*backend, store);
    findings.insert(findings.end(), gameLines.begin(), gameLines.end());
    findings.push_back(settingsFile(store.path()));
    std::vector<std::string> advice;
    for (const auto& finding : findings) {
        print(finding);
        if (finding.verdict == Verdict::missing && !finding.advice.empty() &&
            std::find(advice.begin(), advice.end(), finding.advice) == advice.end()) {
            advice.push_back(finding.advice);
        }
    }
    const bool missingNeeded = std::any_of(findings.begin(), findings.end(), [](const auto& finding) {
        return finding.verdict == Verdict::missing;
    });
    if (!missingNeeded) {
        std::printf("Everything your settings need works here.\n");
        return 0;
    }
    std::string todo;
    for (const auto& line : advice) todo += (todo.empty() ? "" : "; ") + line;
    std::printf("Not everything your settings need works here. To do: %s.\n", todo.c_str());
    return 1;
}

}  // namespace corvane::app
