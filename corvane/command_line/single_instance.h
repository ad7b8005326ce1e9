#pragma once

#include <filesystem>
#include <string>

#include "corvane/command_line/unique_fd.h"

namespace corvane::app {

/// Keeps one running program per user and X server. A lock file decides who
/// runs (the system releases it when its holder dies); the running one
/// listens on a socket beside it, which only carries "show the panel": a
/// later start asks for that and leaves, also when the running one is too
/// busy to answer. Both live in a private folder of the user's, named after
/// the server however its display was spelt. Plain system calls, so that a
/// later start learns it is one before it connects to anything.
class SingleInstance {
public:
    /// The lock and the socket in `folder` for the X server `displayIdentity`.
    SingleInstance(const std::filesystem::path& folder, const std::string& displayIdentity);
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;
    SingleInstance(SingleInstance&&) = delete;
    SingleInstance& operator=(SingleInstance&&) = delete;

    enum class Claim {
        first,      ///< this process is the running instance now
        otherRuns,  ///< another one answered and was asked to show its panel
        otherBusy,  ///< another one runs, but did not answer in time
        failed,     ///< no lock file or socket could be made
    };
    /// Becomes the running instance, or asks the running one to show its panel.
    Claim claim();
    /// Why the claim failed.
    [[nodiscard]] const std::string& problem() const { return problem_; }
    /// The first instance's listening socket (non-blocking), to be answered on the loop.
    UniqueFd takeListener() { return std::move(listener_); }
    /// Whether another process holds the lock: a program that runs, or is starting.
    [[nodiscard]] bool heldElsewhere() const;

    [[nodiscard]] const std::filesystem::path& lockPath() const { return lockPath_; }
    [[nodiscard]] const std::filesystem::path& socketPath() const { return socketPath_; }

private:
    bool listen();
    std::string fail(const std::string& what);

    std::filesystem::path lockPath_;
    std::filesystem::path socketPath_;
    UniqueFd lock_;
    UniqueFd listener_;
    bool first_ = false;
    std::string problem_;
};

}  // namespace corvane::app
