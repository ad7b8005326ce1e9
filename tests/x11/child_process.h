#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace corvane::x11test {

struct SpawnOptions {
    std::vector<std::string> argv{};
    /// Set (or replaced) in the child's environment; the rest is inherited.
    std::vector<std::pair<std::string, std::string>> environment{};
    /// Files that take the child's output; empty: inherited.
    std::string stdoutPath{};
    std::string stderrPath{};
    /// A descriptor the child keeps open under the same number.
    std::optional<int> inheritedFd{};
};

/// An absolute path to `program` found in PATH, or "" when there is none.
[[nodiscard]] std::string findInPath(const std::string& program);

/// A child process in a process group of its own. Destroying it ends the whole
/// group (SIGTERM, then SIGKILL), and the child dies with the test binary even
/// when that crashes, so no test leaves processes behind.
class ChildProcess {
public:
    /// Throws std::runtime_error when the program cannot be started.
    static ChildProcess spawn(const SpawnOptions& options);

    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    [[nodiscard]] pid_t pid() const { return pid_; }
    /// False once the child has exited (it is reaped then).
    [[nodiscard]] bool running();
    /// The exit status (128 + signal number when killed by a signal), or
    /// nullopt when the child is still running at the deadline.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);
    /// Sends `signal` to the child's whole process group.
    void signalGroup(int signal) const;
    /// Ends the group: SIGTERM, and SIGKILL when it is still there after `grace`.
    /// Returns the exit status.
    std::optional<int> stop(std::chrono::milliseconds grace = std::chrono::seconds(3));

private:
    explicit ChildProcess(pid_t pid) : pid_(pid) {}
    void reap(int waitStatus);

    pid_t pid_ = -1;
    std::optional<int> exitStatus_;
};

}  // namespace corvane::x11test
