#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "fake_game.h"
#include "fake_game_options.h"

namespace {

/// Termination signals arrive as readable data on a descriptor, so the event
/// loop ends cleanly instead of in a signal handler.
int blockTerminationSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    return signalfd(-1, &signals, SFD_CLOEXEC);
}

int start(int argc, char** argv) {
    const std::vector<std::string> arguments(argv, argv + argc);
    const auto parsed = fake_game::parseOptions(arguments);
    if (std::holds_alternative<fake_game::HelpRequested>(parsed)) {
        std::fputs(fake_game::usage(), stdout);
        return 0;
    }
    if (const auto* error = std::get_if<fake_game::OptionError>(&parsed)) {
        std::fprintf(stderr, "fake-game: %s\n%s", error->message.c_str(), fake_game::usage());
        return 2;
    }
    const auto& options = std::get<fake_game::FakeGameOptions>(parsed);
    // As Wine names the game's process after its executable.
    if (!options.processName.empty()) prctl(PR_SET_NAME, options.processName.c_str(), 0, 0, 0);
    const int signalFd = blockTerminationSignals();
    if (signalFd < 0) {
        std::perror("fake-game: signalfd");
        return 1;
    }
    auto game = fake_game::FakeGame::start(options);
    const int status = game ? game->run(signalFd) : 1;
    close(signalFd);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return start(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "fake-game: %s\n", error.what());
        return 1;
    }
}
