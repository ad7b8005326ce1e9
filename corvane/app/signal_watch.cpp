#include "corvane/app/signal_watch.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <utility>

namespace corvane::app {

namespace {

sigset_t endingSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    return signals;
}

}  // namespace

SignalWatch::SignalWatch(x11::EventLoop& loop, std::function<void(int signal)> received)
    : received_(std::move(received)) {
    const sigset_t signals = endingSignals();
    fd_ = ::signalfd(-1, &signals, SFD_NONBLOCK | SFD_CLOEXEC);
    if (fd_ < 0) return;
    ::sigprocmask(SIG_BLOCK, &signals, nullptr);
    watch_ = loop.watch(fd_, [this] { drain(); });
}

SignalWatch::~SignalWatch() {
    watch_.cancel();
    if (fd_ < 0) return;
    ::close(fd_);
    const sigset_t signals = endingSignals();
    ::sigprocmask(SIG_UNBLOCK, &signals, nullptr);
}

void SignalWatch::drain() {
    signalfd_siginfo info{};
    while (::read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        received_(static_cast<int>(info.ssi_signo));
    }
}

}  // namespace corvane::app
