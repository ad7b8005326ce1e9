#include "corvane/shell/signal_watch.h"

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

namespace corvane {

namespace {

sigset_t endingSignals() {
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGINT);
    sigaddset(&mask, SIGTERM);
    sigaddset(&mask, SIGHUP);
    return mask;
}

}  // namespace

void SignalWatch::blockEndingSignals() {
    const sigset_t mask = endingSignals();
    ::sigprocmask(SIG_BLOCK, &mask, nullptr);
}

SignalWatch::SignalWatch(QObject* parent) : QObject(parent) {
    const sigset_t mask = endingSignals();
    fd_ = ::signalfd(-1, &mask, SFD_NONBLOCK | SFD_CLOEXEC);
    if (fd_ < 0) {
        ::sigprocmask(SIG_UNBLOCK, &mask, nullptr);  // let them end the program the plain way
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &SignalWatch::drain);
}

SignalWatch::~SignalWatch() {
    notifier_.reset();
    if (fd_ >= 0) ::close(fd_);
}

void SignalWatch::drain() {
    signalfd_siginfo info{};
    while (::read(fd_, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        emit received(static_cast<int>(info.ssi_signo));
    }
}

}  // namespace corvane
