// Whether the games still run, for all of them with one system call.
#pragma once

#ifndef CORVANE_X11_BUILD
#error "platform/x11 headers are for the X11 backend only"
#endif

#include <map>
#include <vector>

#include "platform/geometry.h"
#include "platform/x11/processes/proc_stat.h"

namespace corvane::x11 {

/// Whether processes still run, asked of all of them with one system call: a
/// process descriptor (pidfd) is opened once per process and becomes readable
/// when the process ends. Where the kernel offers none, /proc is looked at.
class ProcessWatch {
public:
    explicit ProcessWatch(const ProcStat& proc) : proc_(proc) {}
    ~ProcessWatch();
    ProcessWatch(const ProcessWatch&) = delete;
    ProcessWatch& operator=(const ProcessWatch&) = delete;
    ProcessWatch(ProcessWatch&&) = delete;
    ProcessWatch& operator=(ProcessWatch&&) = delete;

    /// For each of `pids`, whether that process still runs.
    [[nodiscard]] std::vector<bool> running(const std::vector<platform::Pid>& pids);
    /// Closes every descriptor: the processes asked about next are opened afresh
    /// (a pid may have been reused since).
    void forgetAll();

private:
    /// A process descriptor, or -1: gone when opened, or no descriptor to be had.
    struct Entry {
        int fd = -1;
        bool gone = false;
    };
    Entry& entry(platform::Pid pid);

    const ProcStat& proc_;
    std::map<platform::Pid, Entry> entries_;
};

}  // namespace corvane::x11
