// Reads /proc for a process: start time, name, arguments, environment.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/geometry.h"

namespace corvane::x11 {

/// Field 22 of a /proc/PID/stat line: the process's start time in clock ticks
/// after boot. The command name (field 2) may hold spaces and parentheses, so
/// fields are counted after its last ')'.
std::optional<std::uint64_t> startTimeTicks(std::string_view statLine);

/// The "btime" line of /proc/stat: boot time in seconds since 1970.
std::optional<std::int64_t> bootTimeSeconds(std::string_view procStat);

/// The NUL-terminated strings of /proc/PID/cmdline or environ.
std::vector<std::string> nulSeparated(std::string_view contents);

/// Processes as /proc shows them.
class ProcStat {
public:
    /// The system's /proc.
    ProcStat();
    /// A /proc-like tree at `root` whose clock runs at `ticksPerSecond` (tests).
    ProcStat(std::filesystem::path root, long ticksPerSecond)
        : root_(std::move(root)), ticksPerSecond_(ticksPerSecond) {}

    /// When the process started, seconds since 1970; nullopt when /proc cannot tell.
    [[nodiscard]] std::optional<platform::Date> launchDate(platform::Pid pid);
    /// Whether the process still exists (its /proc entry is there).
    [[nodiscard]] bool running(platform::Pid pid) const;
    /// Its name as the kernel keeps it (/proc/PID/comm, cut at 15 characters);
    /// "" when it cannot be read.
    [[nodiscard]] std::string commandName(platform::Pid pid) const;
    /// Its arguments, element 0 the program; empty when they cannot be read.
    [[nodiscard]] std::vector<std::string> arguments(platform::Pid pid) const;
    /// One variable of its environment; nullopt when unset or not readable
    /// (another user's process).
    [[nodiscard]] std::optional<std::string> environmentVariable(platform::Pid pid,
                                                                 std::string_view name) const;

private:
    [[nodiscard]] std::filesystem::path processPath(platform::Pid pid) const;

    std::filesystem::path root_;
    long ticksPerSecond_;
    /// Read once: the kernel recomputes it from the wall clock, and a boot time
    /// that moved by a second between reads would shuffle launch dates.
    std::optional<std::int64_t> bootTime_;
};

}  // namespace corvane::x11
