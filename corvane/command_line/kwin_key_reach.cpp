#include "corvane/command_line/kwin_key_reach.h"

#include <fstream>
#include <sstream>

namespace corvane::app {

namespace {

enum class KeyKind { character, function, combination };

KeyKind kindOf(const KeyReachQuestion& key) {
    if (key.modifiers != 0) return KeyKind::combination;
    return key.xkbName.starts_with("FK") ? KeyKind::function : KeyKind::character;
}

bool reaches(KwinEavesdrop mode, KeyKind kind) {
    switch (mode) {
        case KwinEavesdrop::none:
            return false;
        case KwinEavesdrop::modifiers:
            return kind == KeyKind::function;
        case KwinEavesdrop::combinations:
            return kind != KeyKind::character;
        case KwinEavesdrop::all:
            return true;
    }
    return false;
}

std::string_view forwards(KwinEavesdrop mode) {
    switch (mode) {
        case KwinEavesdrop::none:
            return "it forwards no key";
        case KwinEavesdrop::modifiers:
            return "it forwards only keys that type no character";
        case KwinEavesdrop::combinations:
            return "it forwards only keys that type no character and keys held with Control, Alt or Meta";
        case KwinEavesdrop::all:
            return "it forwards every key";
    }
    return {};
}

std::string_view trim(std::string_view text) {
    const auto start = text.find_first_not_of(" \t\r");
    if (start == std::string_view::npos) return {};
    return text.substr(start, text.find_last_not_of(" \t\r") - start + 1);
}

}  // namespace

KwinEavesdrop kwinEavesdrop(std::string_view text) {
    std::istringstream lines{std::string(text)};
    bool inGroup = false;
    KwinEavesdrop mode = KwinEavesdrop::combinations;
    for (std::string raw; std::getline(lines, raw);) {
        const std::string_view line = trim(raw);
        if (line.starts_with('[')) {
            inGroup = line.starts_with("[Xwayland]");
            continue;
        }
        const auto equals = line.find('=');
        if (!inGroup || equals == std::string_view::npos) continue;
        // KConfig marks a value locked by the administrator with [$i] after the key.
        std::string_view key = trim(line.substr(0, equals));
        key = key.substr(0, key.find('['));
        if (key != "XwaylandEavesdrops") continue;
        const std::string_view value = trim(line.substr(equals + 1));
        if (value == "None") mode = KwinEavesdrop::none;
        if (value == "Modifiers") mode = KwinEavesdrop::modifiers;
        if (value == "Combinations") mode = KwinEavesdrop::combinations;
        if (value == "All") mode = KwinEavesdrop::all;
    }
    return mode;
}

KwinEavesdrop userKwinEavesdrop(const std::filesystem::path& configDirectory) {
    if (configDirectory.empty()) return KwinEavesdrop::combinations;
    std::ifstream file(configDirectory / "kwinrc");
    std::ostringstream text;
    text << file.rdbuf();
    return kwinEavesdrop(text.str());
}

KeyReach keyReach(KwinEavesdrop mode, const KeyReachQuestion& key) {
    const KeyKind kind = kindOf(key);
    if (reaches(mode, kind)) {
        return {true, "KDE's Legacy X11 App Support lets " + key.what + " reach Corvane from every window"};
    }
    std::string line = "KDE's Legacy X11 App Support keeps " + key.what +
                       " from Corvane while a Wayland window has the focus (" + std::string(forwards(mode)) +
                       "): allow ";
    line += kind == KeyKind::character ? "all keys" : "it";
    line += " under System Settings > Legacy X11 App Support";
    if (mode == KwinEavesdrop::combinations && kind == KeyKind::character)
        line += ", or pick " + key.functionKeys + " or " + key.controlKeys;
    if (mode == KwinEavesdrop::modifiers && kind != KeyKind::function)
        line += ", or pick " + key.functionKeys;
    return {false, line};
}

}  // namespace corvane::app
