#include <gtest/gtest.h>

#include "corvane/command_line/command_line.h"

namespace corvane::app {
namespace {

/// What a command line comes to, in a word: "run", "help", "usage", ...
std::string outcome(const CommandLine& line) {
    if (const auto* run = std::get_if<RunOptions>(&line)) {
        std::string said = std::string(run->check ? "check" : "run") + " display=" + run->display +
                           (run->verbose ? " verbose" : "");
        for (const auto& note : run->notes) said += "; " + note;
        return said;
    }
    if (std::holds_alternative<ShowHelp>(line)) return "help";
    if (std::holds_alternative<ShowVersion>(line)) return "version";
    if (const auto* autostart = std::get_if<SetAutostart>(&line))
        return autostart->on ? "autostart on" : "autostart off";
    return "usage: " + std::get<UsageError>(line).message;
}

TEST(CommandLine, EachLineComesToWhatItAsksOrAUsageError) {
    struct Case {
        std::vector<std::string> arguments;
        std::string outcome;
    };
    const Case cases[] = {
        {{}, "run display="},
        {{"--display", ":3", "-v"}, "run display=:3 verbose"},
        {{"--display=:4", "-previewBundle", "--verbose"},
         "run display=:4"},  // the value looks like an option
        {{"--autostart", "off"}, "autostart off"},
        {{"--check", "--display", ":2"}, "check display=:2"},
        {{"-previewBundle"}, "usage: option '-previewBundle' needs identifiers"},
        {{"--display"}, "usage: option '--display' needs a display name"},
        {{"--display", ""}, "usage: option '--display' needs a display name"},
        {{"--display="}, "usage: option '--display' needs a display name"},
        {{"-previewBundle", "A", "-previewBundle", "B"},
         "run display=; only the first '-previewBundle' counts: 'B' is not used"},
        {{"--autostart=maybe"}, "usage: option '--autostart' wants 'on' or 'off', not 'maybe'"},
        {{"--frobnicate"}, "usage: unknown option '--frobnicate'"},
        {{"stray"}, "usage: unexpected argument 'stray'"},
        {{"--help", "--frobnicate"}, "help"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> arguments{"corvane"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        EXPECT_EQ(outcome(parseCommandLine(arguments)), c.outcome) << ::testing::PrintToString(c.arguments);
    }
}

}  // namespace
}  // namespace corvane::app
