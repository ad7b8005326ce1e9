// The corvane program: the X11 backend, the settings file and the controller,
// driven by the backend's main loop until a signal ends it.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "corvane/app/command_line.h"
#include "corvane/app/signal_watch.h"
#include "corvane/controller/controller.h"
#include "platform/store/json_defaults_store.h"
#include "platform/x11/x11_backend.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

std::string displayName(const corvane::app::RunOptions& options) {
    std::string name = options.display;
    if (name.empty()) {
        const char* variable = std::getenv("DISPLAY");
        if (variable == nullptr || *variable == '\0') return "(DISPLAY is not set)";
        name = variable;
    }
    // Quoted with appends: GCC 12 warns wrongly (-Wrestrict) about a chain of operator+.
    std::string quoted = "'";
    quoted.append(name).append("'");
    return quoted;
}

int run(const corvane::app::RunOptions& options, std::vector<std::string> arguments) {
    auto backend = corvane::x11::X11Backend::open(options.display, std::move(arguments));
    if (!backend) {
        std::fprintf(stderr, "corvane: cannot open the X display %s\n", displayName(options).c_str());
        return kExitFailure;
    }
    corvane::platform::JsonDefaultsStore defaults(corvane::platform::JsonDefaultsStore::defaultPath());
    auto& loop = backend->loop();
    const corvane::app::SignalWatch signals(loop, [&loop](int /*signal*/) { loop.quit(); });

    auto controller = corvane::Controller::create(backend->platform(defaults));
    const auto exit = loop.run();
    // The controller lets go of its windows and keys while the backend still exists.
    controller.reset();
    if (exit == corvane::x11::EventLoop::Exit::connectionLost) {
        std::fprintf(stderr, "corvane: lost the connection to the X server\n");
        return kExitFailure;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv, argv + argc);
    const auto commandLine = corvane::app::parseCommandLine(arguments);
    if (const auto* error = std::get_if<corvane::app::UsageError>(&commandLine)) {
        std::fprintf(stderr, "corvane: %s\nTry 'corvane --help' for more information.\n",
                     error->message.c_str());
        return kExitUsage;
    }
    if (std::holds_alternative<corvane::app::ShowHelp>(commandLine)) {
        std::fputs(corvane::app::usage(), stdout);
        return 0;
    }
    if (std::holds_alternative<corvane::app::ShowVersion>(commandLine)) {
        std::printf("corvane %s\n", CORVANE_VERSION);
        return 0;
    }
    return run(std::get<corvane::app::RunOptions>(commandLine), std::move(arguments));
}
