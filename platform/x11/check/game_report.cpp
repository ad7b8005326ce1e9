#include "platform/x11/check/game_report.h"

#include <array>
#include <cstdio>
#include <string>

namespace corvane::x11 {

namespace {

constexpr std::uint32_t kTitleItems = 64;
constexpr std::string_view kGameTitle = "World of Warcraft";

std::string hex(xcb_window_t window) {
    std::array<char, 16> text{};
    std::snprintf(text.data(), text.size(), "0x%x", window);
    return text.data();
}

std::string windowClass(const ListedWindow& listed) {
    return listed.client.windowClass.value_or("");
}

bool protonClass(std::string_view windowClass) {
    return windowClass.starts_with("steam_app_") || windowClass == "steam_proton";
}

std::string processText(const ListedWindow& listed) {
    std::string text = "pid " + std::to_string(listed.client.pid.value_or(0));
    if (!listed.executable.empty()) text += ", \"" + listed.executable + "\"";
    return text;
}

std::string gameLine(const ListedWindow& listed) {
    std::string how;
    switch (listed.kind.how) {
        case Recognition::processName:
            how = "by its process name " + listed.executable;
            break;
        case Recognition::windowClass:
            how = "by its window class " + windowClass(listed);
            break;
        case Recognition::none:
            how = "as -previewBundle names its class " + windowClass(listed);
            break;
    }
    return "game pid " + std::to_string(listed.client.pid.value_or(0)) + " in window " +
           hex(listed.client.window) + ", recognised " + how;
}

std::string whyNotTaken(const ListedWindow& listed, bool running) {
    const auto& client = listed.client;
    if (!client.pid) {
        if (client.claimedPid) {
            return "the X server names no process of this machine for it, and its _NET_WM_PID " +
                   std::to_string(*client.claimedPid) + " may be another machine's";
        }
        return "no process can be found for it: the X server names none and it sets no _NET_WM_PID";
    }
    if (!running) return "its process (pid " + std::to_string(*client.pid) + ") has ended";
    const std::string cls = windowClass(listed);
    std::string why = "its process (" + processText(listed) + ") is none of the game's executables";
    if (protonClass(cls))
        return why + ", and its class " + cls + " alone says nothing (every Proton game has one)";
    return why + (cls.empty() ? ", and it has no class" : ", and neither is its class " + cls);
}

}  // namespace

std::vector<DesktopFinding> gameFindings(const Connection& connection, X11Workspace& workspace,
                                         const std::set<platform::Pid>& games) {
    const auto listed = workspace.listedWindows();
    std::vector<PropertyCookie> titles;
    titles.reserve(listed.size());
    for (const auto& window : listed)
        titles.push_back(
            connection.getProperty(window.client.window, connection.atoms().netWmName, kTitleItems));
    const auto applications = workspace.runningApplications();
    const auto running = [&](platform::Pid pid) {
        for (const auto& application : applications) {
            if (application.pid == pid) return !application.terminated;
        }
        return false;
    };

    std::vector<DesktopFinding> findings;
    std::set<platform::Pid> told;
    for (std::size_t i = 0; i < listed.size(); ++i) {
        const auto& window = listed[i];
        const auto& pid = window.client.pid;
        if (pid && games.contains(*pid)) {
            // One line a game: its first window is the one discovery keys it by.
            if (told.insert(*pid).second)
                findings.push_back({DesktopFinding::Verdict::works, gameLine(window), {}});
            continue;
        }
        const std::string title = bytes(titles[i].get());
        if (title != kGameTitle && !protonClass(windowClass(window))) continue;
        findings.push_back({DesktopFinding::Verdict::fallback,
                            "window " + hex(window.client.window) + " \"" + title +
                                "\" is not taken as a game: " + whyNotTaken(window, pid && running(*pid)),
                            {}});
    }
    return findings;
}

}  // namespace corvane::x11
