#pragma once

#include <string>
#include <variant>
#include <vector>

namespace corvane::app {

/// What the command line asks for when it asks to run.
struct RunOptions {
    std::string display;  ///< empty: $DISPLAY
};
struct ShowHelp {};
struct ShowVersion {};
struct UsageError {
    std::string message;
};
using CommandLine = std::variant<RunOptions, ShowHelp, ShowVersion, UsageError>;

/// Reads the launch arguments (element 0 is the program's path). "-previewBundle"
/// and its value are left for the program's logic, which reads them itself.
CommandLine parseCommandLine(const std::vector<std::string>& arguments);

/// The text --help prints.
const char* usage();

}  // namespace corvane::app
