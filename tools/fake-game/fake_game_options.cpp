#include "fake_game_options.h"

#include <charconv>
#include <string_view>

namespace fake_game {
namespace {

template <typename T>
std::optional<T> parseNumber(std::string_view text, int base = 10) {
    T value{};
    const auto* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value, base);
    if (ec != std::errc{} || ptr != end || text.empty()) return std::nullopt;
    return value;
}

/// "AxB" with separator `sep` into two numbers.
template <typename T>
std::optional<std::pair<T, T>> parsePair(std::string_view text, char sep) {
    const auto at = text.find(sep);
    if (at == std::string_view::npos) return std::nullopt;
    auto first = parseNumber<T>(text.substr(0, at));
    auto second = parseNumber<T>(text.substr(at + 1));
    if (!first || !second) return std::nullopt;
    return std::pair{*first, *second};
}

/// The options with a number: nullopt for another option, else its error, empty when there is none.
std::optional<std::string> applyNumber(FakeGameOptions& options, std::string_view name,
                                       std::string_view value) {
    if (name == "--number") {
        auto n = parseNumber<int>(value);
        if (!n || *n < 0) return "--number wants a whole number, 0 or more";
        options.number = *n;
    } else if (name == "--color") {
        auto rgb = value.size() == 6 ? parseNumber<std::uint32_t>(value, 16) : std::nullopt;
        if (!rgb) return "--color wants RRGGBB in hexadecimal";
        options.color = *rgb;
    } else if (name == "--size") {
        auto size = parsePair<std::uint16_t>(value, 'x');
        if (!size || size->first == 0 || size->second == 0) return "--size wants WxH";
        options.width = size->first;
        options.height = size->second;
    } else if (name == "--position") {
        auto position = parsePair<std::int16_t>(value, ',');
        if (!position) return "--position wants X,Y";
        options.position = *position;
    } else if (name == "--claim-pid") {
        auto pid = parseNumber<std::uint32_t>(value);
        if (!pid) return "--claim-pid wants a whole number";
        options.claimedPid = *pid;
    } else {
        return std::nullopt;
    }
    return std::string();
}

std::optional<std::string> applyOption(FakeGameOptions& options, std::string_view name,
                                       std::string_view value) {
    if (auto error = applyNumber(options, name, value)) {
        if (error->empty()) return std::nullopt;
        return error;
    }
    if (name == "--log") {
        options.logPath = value;
    } else if (name == "--class") {
        if (value.empty()) return "--class wants a name";
        options.wmClass = value;
    } else if (name == "--title") {
        options.title = value;
    } else if (name == "--process-name") {
        if (value.empty()) return "--process-name wants a name";
        options.processName = value;
    } else {
        return "unknown option " + std::string(name);
    }
    return std::nullopt;
}

}  // namespace

ParseResult parseOptions(const std::vector<std::string>& arguments) {
    FakeGameOptions options;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        if (name == "--help" || name == "-h") return HelpRequested{};
        if (i + 1 >= arguments.size()) return OptionError{name + " wants a value"};
        if (auto error = applyOption(options, name, arguments[++i])) return OptionError{*error};
    }
    return options;
}

const char* usage() {
    return "usage: fake-game [--number N] [--color RRGGBB] [--size WxH] [--position X,Y]\n"
           "                 [--log FILE] [--class NAME] [--title TEXT] [--process-name NAME]\n"
           "                 [--claim-pid PID]\n"
           "Plays a game client under Wine: one window (WM_CLASS NAME, default wow.exe)\n"
           "showing N on a solid colour. --log writes focus and key events, one a line.\n"
           "--process-name names the process as Wine does (Wow.exe); --claim-pid puts\n"
           "PID in _NET_WM_PID instead of its own.\n";
}

}  // namespace fake_game
