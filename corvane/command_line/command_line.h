#pragma once

#include <string>
#include <variant>
#include <vector>

namespace corvane::app {

/// What the command line asks for when it asks to run.
struct RunOptions {
    std::string display;             ///< empty: $DISPLAY
    bool verbose = false;            ///< also report clients found and lost and each switch
    bool check = false;              ///< only say what this desktop gives Corvane, and exit
    std::vector<std::string> notes;  ///< what the command line asked that will not be done, for stderr
};
struct ShowHelp {};
struct ShowVersion {};
/// Add (`on`) or remove the entry that starts the program at login.
struct SetAutostart {
    bool on = false;
};
struct UsageError {
    std::string message;
};
using CommandLine = std::variant<RunOptions, ShowHelp, ShowVersion, SetAutostart, UsageError>;

/// Reads the launch arguments (element 0 is the program's path). "-previewBundle"
/// and its value are left for the program's logic, which reads them itself.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

/// The text --help prints.
const char* usage();

}  // namespace corvane::app
