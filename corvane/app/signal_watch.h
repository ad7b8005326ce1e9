#pragma once

#include <functional>

#include "platform/x11/event_loop.h"

namespace corvane::app {

/// Turns SIGINT, SIGTERM and SIGHUP into a call on the main loop (through a
/// signalfd), so the program ends as cleanly as when it quits by itself.
class SignalWatch {
public:
    /// Blocks the signals for normal delivery and watches them on `loop`.
    SignalWatch(x11::EventLoop& loop, std::function<void(int signal)> received);
    ~SignalWatch();
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;
    SignalWatch(SignalWatch&&) = delete;
    SignalWatch& operator=(SignalWatch&&) = delete;

    /// False when the signalfd could not be made; the signals then act as usual.
    [[nodiscard]] bool active() const { return fd_ >= 0; }

private:
    void drain();

    int fd_ = -1;
    std::function<void(int signal)> received_;
    x11::Subscription watch_;
};

}  // namespace corvane::app
