#include "corvane/command_line/command_line.h"

#include <optional>
#include <string_view>

namespace corvane::app {

namespace {

constexpr std::string_view kDisplayOption = "--display";
constexpr std::string_view kAutostartOption = "--autostart";

/// The value of `--name VALUE` or `--name=VALUE` at `i` (advancing past it), an
/// error when the value is missing or empty (an empty display would silently
/// mean $DISPLAY), or nullopt when the argument is another one.
struct OptionValue {
    std::string value;
    std::optional<std::string> error;
};
std::optional<OptionValue> optionValue(const std::vector<std::string>& arguments, std::size_t& i,
                                       std::string_view name, std::string_view wanted) {
    const std::string_view argument = arguments[i];
    std::optional<std::string> value;
    if (argument == name) {
        if (i + 1 < arguments.size()) value = arguments[++i];
    } else if (argument.starts_with(name) && argument.size() > name.size() && argument[name.size()] == '=') {
        value = std::string(argument.substr(name.size() + 1));
    } else {
        return std::nullopt;
    }
    if (!value || value->empty()) {
        return OptionValue{{}, "option '" + std::string(name) + "' needs " + std::string(wanted)};
    }
    return OptionValue{*value, std::nullopt};
}

struct Parsed {
    RunOptions options;
    std::optional<SetAutostart> autostart;
};

/// `--display` and `--autostart` with their values: nullopt for another
/// argument, else the error, empty when there is none.
std::optional<std::string> takeValued(const std::vector<std::string>& arguments, std::size_t& i,
                                      Parsed& parsed) {
    if (auto display = optionValue(arguments, i, kDisplayOption, "a display name")) {
        if (display->error) return display->error;
        parsed.options.display = display->value;
        return std::string();
    }
    auto state = optionValue(arguments, i, kAutostartOption, "'on' or 'off'");
    if (!state) return std::nullopt;
    if (state->error) return state->error;
    if (state->value != "on" && state->value != "off") {
        return "option '--autostart' wants 'on' or 'off', not '" + state->value + "'";
    }
    parsed.autostart = SetAutostart{state->value == "on"};
    return std::string();
}

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    Parsed parsed;
    RunOptions& options = parsed.options;
    std::vector<std::string> bundles;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument == "-h" || argument == "--help") return ShowHelp{};
        if (argument == "--version") return ShowVersion{};
        if (argument == "-previewBundle") {
            if (i + 1 >= arguments.size()) return UsageError{"option '-previewBundle' needs identifiers"};
            bundles.push_back(arguments[++i]);  // its value may look like anything, even an option
        } else if (argument == "--check") {
            options.check = true;
        } else if (argument == "-v" || argument == "--verbose") {
            options.verbose = true;
        } else if (auto error = takeValued(arguments, i, parsed)) {
            if (!error->empty()) return UsageError{*error};
        } else if (argument.starts_with("-")) {
            return UsageError{"unknown option '" + std::string(argument) + "'"};
        } else {
            return UsageError{"unexpected argument '" + std::string(argument) + "'"};
        }
    }
    if (parsed.autostart) return *parsed.autostart;
    // The program's logic reads the first one only: not silently.
    for (std::size_t extra = 1; extra < bundles.size(); ++extra) {
        options.notes.push_back("only the first '-previewBundle' counts: '" + bundles[extra] +
                                "' is not used");
    }
    return options;
}

const char* usage() {
    return "usage: corvane [--display NAME] [--verbose] [-previewBundle ID[,ID...]]\n"
           "       corvane --check [--display NAME] [-previewBundle ID[,ID...]]\n"
           "       corvane --autostart on|off\n"
           "\n"
           "Finds the running World of Warcraft clients, arranges their windows on the\n"
           "primary screen, switches the keyboard focus between them with hot keys,\n"
           "draws a border around the active one and shows live previews of the others.\n"
           "It runs as an icon in the system tray; a click on the icon opens its panel.\n"
           "Starting it again while it runs opens the running one's panel.\n"
           "\n"
           "  --display NAME          the X display to use (default: $DISPLAY)\n"
           "  -v, --verbose           also report games found and lost and each switch\n"
           "  -previewBundle ID,...   also treat applications with these identifiers\n"
           "                          (their WM_CLASS class, e.g. XTerm) as clients\n"
           "  --check                 say what this desktop gives Corvane and what not, and exit\n"
           "                          (status 0 when everything the settings need works)\n"
           "  --autostart on|off      start Corvane at login, or no longer, and exit\n"
           "  -h, --help              show this text and exit\n"
           "  --version               show the version and exit\n"
           "\n"
           "Settings are kept in $XDG_CONFIG_HOME/corvane/settings.json.\n";
}

}  // namespace corvane::app
