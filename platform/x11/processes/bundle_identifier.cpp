#include "platform/x11/processes/bundle_identifier.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

namespace corvane::x11 {

namespace {

using Mapping = std::pair<std::string_view, std::string_view>;

/// The game's executables, in lower case, and the identifiers their builds have on macOS.
constexpr std::array kGameExecutables{
    Mapping{"wow.exe", "com.blizzard.worldofwarcraft"},
    Mapping{"wow-64.exe", "com.blizzard.worldofwarcraft"},
    Mapping{"wowt.exe", "com.blizzard.worldofwarcraft.test"},
    Mapping{"wowt-64.exe", "com.blizzard.worldofwarcraft.test"},
    Mapping{"wowb.exe", "com.blizzard.worldofwarcraft.beta"},
    Mapping{"wowb-64.exe", "com.blizzard.worldofwarcraft.beta"},
    Mapping{"wowclassic.exe", "com.blizzard.worldofwarcraft.classic"},
    Mapping{"wowclassict.exe", "com.blizzard.worldofwarcraft.classic.test"},
    Mapping{"wowclassicb.exe", "com.blizzard.worldofwarcraft.classic.beta"},
};

std::string lowerCase(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    return result;
}

}  // namespace

std::string bundleIdentifier(std::string_view windowClass) {
    return gameIdentifier(windowClass).value_or(std::string(windowClass));
}

std::optional<std::string> gameIdentifier(std::string_view executable) {
    const std::string lower = lowerCase(executable);
    for (const auto& [name, identifier] : kGameExecutables) {
        if (lower == name) return std::string(identifier);
    }
    return std::nullopt;
}

std::optional<std::string> classPart(std::string_view wmClass) {
    const std::size_t instanceEnd = wmClass.find('\0');
    if (instanceEnd == std::string_view::npos) return std::nullopt;
    std::string_view rest = wmClass.substr(instanceEnd + 1);
    rest = rest.substr(0, rest.find('\0'));
    if (rest.empty()) return std::nullopt;
    return std::string(rest);
}

}  // namespace corvane::x11
