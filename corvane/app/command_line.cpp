#include "corvane/app/command_line.h"

#include <string_view>

namespace corvane::app {

namespace {

constexpr std::string_view kDisplayOption = "--display";

}  // namespace

CommandLine parseCommandLine(const std::vector<std::string>& arguments) {
    RunOptions options;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        const bool hasNext = i + 1 < arguments.size();
        if (argument == "-h" || argument == "--help") return ShowHelp{};
        if (argument == "--version") return ShowVersion{};
        if (argument == "-previewBundle") {
            if (hasNext) ++i;  // its value may look like anything, even an option
        } else if (argument == kDisplayOption) {
            if (!hasNext) return UsageError{"option '--display' needs a display name"};
            options.display = arguments[++i];
        } else if (argument.starts_with("--display=")) {
            options.display = argument.substr(kDisplayOption.size() + 1);
        } else if (argument.starts_with("-")) {
            return UsageError{"unknown option '" + std::string(argument) + "'"};
        } else {
            return UsageError{"unexpected argument '" + std::string(argument) + "'"};
        }
    }
    return options;
}

const char* usage() {
    return "usage: corvane [--display NAME] [-previewBundle ID[,ID...]]\n"
           "\n"
           "Finds the running World of Warcraft clients, arranges their windows on the\n"
           "primary screen, switches the keyboard focus between them with hot keys,\n"
           "draws a border around the active one and shows live previews of the others.\n"
           "\n"
           "  --display NAME          the X display to use (default: $DISPLAY)\n"
           "  -previewBundle ID,...   also treat applications with these identifiers\n"
           "                          (their WM_CLASS class, e.g. XTerm) as clients\n"
           "  -h, --help              show this text and exit\n"
           "  --version               show the version and exit\n"
           "\n"
           "Settings are kept in $XDG_CONFIG_HOME/corvane/settings.json.\n";
}

}  // namespace corvane::app
