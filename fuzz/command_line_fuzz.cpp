// Launch arguments (NUL-separated in the input): the program's own options
// and the "-previewBundle" list the core reads. Neither may fail on any
// input, and what they agree on must hold for both.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <variant>
#include <vector>

#include "corvane/clients/wow_client.h"
#include "corvane/command_line/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> arguments{"corvane"};
    std::string current;
    for (std::size_t i = 0; i < size; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == '\0') {
            arguments.push_back(std::move(current));
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    arguments.push_back(std::move(current));

    const auto commandLine = corvane::app::parseCommandLine(arguments);
    if (const auto* error = std::get_if<corvane::app::UsageError>(&commandLine)) {
        if (error->message.empty()) std::abort();
    }
    for (const auto& id : corvane::WowClient::extraBundleIDs(arguments)) {
        if (id.empty() || id.find(',') != std::string::npos) std::abort();
    }
    return 0;
}
