#include "child_process.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>

#include "wait_until.h"

namespace corvane::x11test {
namespace {

using namespace std::chrono_literals;

bool groupExists(pid_t group) {
    return kill(-group, 0) == 0 || errno != ESRCH;
}

/// Killed members stay as zombies until init reaps them.
bool groupEnds(pid_t group) {
    return waitUntil([group] { return !groupExists(group); });
}

// A test that fails must not leave servers or games running: the whole group
// goes, also a child that ignores SIGTERM and the processes it started.
TEST(ChildProcess, stopEndsTheWholeGroupEvenWhenTermIsIgnored) {
    const auto marker =
        std::filesystem::temp_directory_path() / ("corvane-child-" + std::to_string(getpid()) + ".ready");
    auto child = ChildProcess::spawn(
        {.argv = {"/bin/sh", "-c", "trap '' TERM; /bin/sleep 600 & echo > '" + marker.string() + "'; wait"}});
    const pid_t group = child.pid();
    ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(marker); }));
    std::filesystem::remove(marker);

    const auto status = child.stop(200ms);

    EXPECT_EQ(status, 128 + SIGKILL);
    EXPECT_TRUE(groupEnds(group));
}

TEST(ChildProcess, destructionEndsTheGroup) {
    pid_t group = 0;
    {
        auto child = ChildProcess::spawn({.argv = {"/bin/sh", "-c", "/bin/sleep 600 & wait"}});
        group = child.pid();
    }
    EXPECT_TRUE(groupEnds(group));
}

TEST(ChildProcess, reportsTheExitStatus) {
    auto child = ChildProcess::spawn({.argv = {"/bin/sh", "-c", "exit 7"}});
    EXPECT_EQ(child.waitForExit(5s), 7);
    EXPECT_FALSE(child.running());
}

TEST(ChildProcess, refusesAProgramThatCannotRun) {
    EXPECT_THROW(ChildProcess::spawn({.argv = {"/nonexistent/program"}}), std::runtime_error);
}

}  // namespace
}  // namespace corvane::x11test
