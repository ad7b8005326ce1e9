#include "platform/x11/wire/display_identity.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>

#include "platform/free_deleter.h"

namespace corvane::x11 {

namespace {

namespace fs = std::filesystem;

/// Where a local server's socket lives, followed by its display number.
constexpr std::string_view kLocalSockets = "/tmp/.X11-unix/X";

bool allDigits(std::string_view text) {
    return !text.empty() && text.size() < 10 && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c));
    });
}

/// A socket path, perhaps with ".screen" after it: the local display whose
/// socket it is, else the path itself (resolved) as the host.
std::optional<std::string> socketIdentity(std::string path) {
    std::error_code error;
    if (!fs::exists(path, error)) {
        const auto dot = path.rfind('.');
        if (dot == std::string::npos || !allDigits(std::string_view(path).substr(dot + 1)))
            return std::nullopt;
        path.resize(dot);
    }
    const fs::path resolved = fs::canonical(path, error);
    if (error) return std::nullopt;
    const std::string text = resolved.string();
    if (text.starts_with(kLocalSockets) && allDigits(std::string_view(text).substr(kLocalSockets.size()))) {
        return ":" + std::to_string(std::stoul(text.substr(kLocalSockets.size())));
    }
    return text + ":0";
}

}  // namespace

std::optional<std::string> displayIdentity(const std::string& name) {
    // Older xcb knows no socket paths; newer ones read them as a host.
    if (name.starts_with('/')) return socketIdentity(name);
    char* host = nullptr;
    int display = 0;
    if (xcb_parse_display(name.c_str(), &host, &display, nullptr) == 0) return std::nullopt;
    const std::unique_ptr<char, platform::FreeDeleter> ownedHost(host);
    std::string hostName = host;
    if (hostName.starts_with('/')) return socketIdentity(hostName);
    // "unix:1" is the local socket, as ":1" is.
    if (hostName == "unix") hostName.clear();
    return hostName + ":" + std::to_string(display);
}

}  // namespace corvane::x11
