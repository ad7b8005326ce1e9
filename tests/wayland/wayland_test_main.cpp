#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

/// Puts this process, and so every child it starts, in a mount and network
/// namespace of its own with an empty /tmp/.X11-unix: each compositor's
/// XWayland then takes a display nothing else on the machine sees or reaches,
/// its abstract socket included. Returns why it cannot ("" when done).
std::string usePrivateXSockets() {
    if (unshare(CLONE_NEWNS | CLONE_NEWNET) != 0) {
        return std::string("no private mount and network namespace (run as root): ") + std::strerror(errno);
    }
    // Nothing mounted here goes back to the machine's own tree.
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        return std::string("cannot make the mounts private: ") + std::strerror(errno);
    }
    mkdir("/tmp/.X11-unix", 01777);
    if (mount("tmpfs", "/tmp/.X11-unix", "tmpfs", 0, "mode=1777") != 0) {
        return std::string("cannot mount a private /tmp/.X11-unix: ") + std::strerror(errno);
    }
    return "";
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // The compositors and the programs on them learn their displays from the test.
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("XAUTHORITY");
    const std::string problem = usePrivateXSockets();
    if (!problem.empty()) {
        // ctest reads this line to report the run as skipped.
        std::printf("wayland_tests: skipped: %s\n", problem.c_str());
        return 0;
    }
    return RUN_ALL_TESTS();
}
