#include "platform/x11/processes/process_watch.h"

#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace corvane::x11 {

ProcessWatch::~ProcessWatch() {
    forgetAll();
}

void ProcessWatch::forgetAll() {
    for (const auto& [pid, entry] : entries_) {
        if (entry.fd >= 0) ::close(entry.fd);
    }
    entries_.clear();
}

ProcessWatch::Entry& ProcessWatch::entry(platform::Pid pid) {
    const auto [found, added] = entries_.try_emplace(pid);
    if (added) {
        const long fd = ::syscall(SYS_pidfd_open, pid, 0);
        found->second.fd = static_cast<int>(fd);
        found->second.gone = fd < 0 && errno == ESRCH;
    }
    return found->second;
}

std::vector<bool> ProcessWatch::running(const std::vector<platform::Pid>& pids) {
    std::vector<pollfd> descriptors;
    std::vector<std::size_t> polled;
    std::vector<bool> result(pids.size(), true);
    for (std::size_t i = 0; i < pids.size(); ++i) {
        const Entry& process = entry(pids[i]);
        if (process.fd >= 0) {
            descriptors.push_back({process.fd, POLLIN, 0});
            polled.push_back(i);
        } else {
            result[i] = !process.gone && proc_.running(pids[i]);
        }
    }
    if (descriptors.empty() || ::poll(descriptors.data(), descriptors.size(), 0) < 0) return result;
    for (std::size_t k = 0; k < polled.size(); ++k) {
        if ((descriptors[k].revents & (POLLIN | POLLHUP | POLLERR)) != 0) result[polled[k]] = false;
    }
    return result;
}

}  // namespace corvane::x11
