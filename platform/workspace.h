#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/geometry.h"

namespace corvane::platform {

/// One application running for the current user.
struct RunningApplication {
    std::optional<std::string> bundleIdentifier;  ///< absent when the platform knows none
    bool terminated = false;
    Pid pid = 0;
    std::optional<Date> launchDate;  ///< absent when the platform does not know it
};

/// Running applications, the frontmost one, and activation.
class Workspace {
public:
    virtual ~Workspace() = default;

    /// Every application running for the current user, in the platform's order.
    [[nodiscard]] virtual std::vector<RunningApplication> runningApplications() = 0;

    /// Pid of the application that has the keyboard focus; nullopt when there is none.
    [[nodiscard]] virtual std::optional<Pid> frontmostApplicationPid() = 0;

    /// Brings the application with this pid to the front (no options).
    /// Returns false, doing nothing, when no running application has that pid.
    virtual bool activateApplication(Pid pid) = 0;

    /// What tells this launch of a program from another and stays the same
    /// when it is started again the same way (its installation, program and
    /// arguments); nullopt when the platform cannot tell.
    [[nodiscard]] virtual std::optional<std::string> launchIdentity(Pid pid) = 0;
};

/// The process's own launch arguments.
class ProcessInfo {
public:
    virtual ~ProcessInfo() = default;
    /// The complete argument list; element 0 is the program's own path.
    [[nodiscard]] virtual std::vector<std::string> arguments() = 0;
};

}  // namespace corvane::platform
