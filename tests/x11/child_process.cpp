#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace corvane::x11test {
namespace {

std::vector<std::string> mergedEnvironment(const SpawnOptions& options) {
    std::map<std::string, std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const auto at = text.find('=');
        if (at != std::string::npos) merged[text.substr(0, at)] = text.substr(at + 1);
    }
    for (const auto& [name, value] : options.environment) merged[name] = value;
    std::vector<std::string> result;
    result.reserve(merged.size());
    for (const auto& [name, value] : merged) result.push_back(std::string(name).append("=").append(value));
    return result;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    result.reserve(strings.size() + 1);
    for (auto& s : strings) result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

/// Runs in the forked child: only async-signal-safe calls until exec.
[[noreturn]] void execChild(const SpawnOptions& options, char** argv, char** envp, pid_t parent) {
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);  // the parent died before prctl
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    auto redirect = [](const std::string& path, int target) {
        if (path.empty()) return;
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (fd >= 0) dup2(fd, target);
    };
    redirect(options.stdoutPath, STDOUT_FILENO);
    redirect(options.stderrPath, STDERR_FILENO);
    if (options.inheritedFd) {
        const int flags = fcntl(*options.inheritedFd, F_GETFD);
        fcntl(*options.inheritedFd, F_SETFD, flags & ~FD_CLOEXEC);
    }
    execve(argv[0], argv, envp);
    _exit(127);
}

int decodeStatus(int waitStatus) {
    if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
    if (WIFSIGNALED(waitStatus)) return 128 + WTERMSIG(waitStatus);
    return -1;
}

}  // namespace

std::string findInPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const auto candidate = std::filesystem::path(folder) / program;
        if (access(candidate.c_str(), X_OK) == 0) return candidate.string();
    }
    return "";
}

ChildProcess ChildProcess::spawn(const SpawnOptions& options) {
    if (options.argv.empty()) throw std::runtime_error("spawn: no program");
    std::vector<std::string> argvStrings = options.argv;
    std::vector<std::string> envStrings = mergedEnvironment(options);
    auto argv = pointers(argvStrings);
    auto envp = pointers(envStrings);
    if (access(argv[0], X_OK) != 0) throw std::runtime_error("spawn: cannot run " + options.argv[0]);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    if (pid == 0) execChild(options, argv.data(), envp.data(), parent);
    setpgid(pid, pid);  // also here, so signalGroup works before the child gets to it
    return ChildProcess(pid);
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)), exitStatus_(other.exitStatus_) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        stop();
        pid_ = std::exchange(other.pid_, -1);
        exitStatus_ = other.exitStatus_;
    }
    return *this;
}

ChildProcess::~ChildProcess() {
    stop();
}

void ChildProcess::reap(int waitStatus) {
    exitStatus_ = decodeStatus(waitStatus);
    // Whatever the child left in its group goes with it.
    kill(-pid_, SIGKILL);
}

bool ChildProcess::running() {
    if (pid_ < 0 || exitStatus_) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) reap(status);
    return !exitStatus_;
}

std::optional<int> ChildProcess::waitForExit(std::chrono::milliseconds timeout) {
    if (pid_ < 0) return std::nullopt;
    if (!running()) return exitStatus_;
    // A pidfd turns "the child exited" into a readable descriptor to wait on.
    const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (running()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        if (pidfd >= 0) {
            pollfd fd{pidfd, POLLIN, 0};
            poll(&fd, 1, static_cast<int>(left.count()));
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    if (pidfd >= 0) close(pidfd);
    return exitStatus_;
}

void ChildProcess::signalGroup(int signal) const {
    if (pid_ > 0) kill(-pid_, signal);
}

std::optional<int> ChildProcess::stop(std::chrono::milliseconds grace) {
    if (pid_ < 0) return std::nullopt;
    if (running()) {
        signalGroup(SIGTERM);
        if (!waitForExit(grace)) {
            signalGroup(SIGKILL);
            waitForExit(std::chrono::seconds(10));
        }
    }
    return exitStatus_;
}

}  // namespace corvane::x11test
