#include "corvane/app/x11_loop_driver.h"

#include <QAbstractEventDispatcher>

namespace corvane {

X11LoopDriver::X11LoopDriver(x11::EventLoop& loop, int connectionFd, QObject* parent)
    : QObject(parent), loop_(loop), notifier_(connectionFd, QSocketNotifier::Read) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&notifier_, &QSocketNotifier::activated, this, [this] { dispatch(true); });
    connect(&timer_, &QTimer::timeout, this, [this] { dispatch(false); });
    // Before Qt sleeps: events xcb read while waiting for a reply never make the
    // socket readable again, and requests sent since the last turn must go out.
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            [this] { dispatch(false); });
    dispatch(true);
}

void X11LoopDriver::dispatch(bool socketReadable) {
    if (dispatching_ || lost_) return;
    dispatching_ = true;
    // Only the first round may find the socket readable; later ones handle what xcb holds already.
    bool more = loop_.dispatchPending(socketReadable);
    while (more && !loop_.connectionLost()) more = loop_.dispatchPending(false);
    dispatching_ = false;
    if (loop_.connectionLost()) {
        lost_ = true;
        notifier_.setEnabled(false);  // a closed socket stays readable forever
        timer_.stop();
        emit connectionLost();
        return;
    }
    armTimer();
}

void X11LoopDriver::armTimer() {
    const int wait = loop_.millisecondsUntilNextTimer();
    if (wait < 0) {
        timer_.stop();
    } else if (!timer_.isActive() || timer_.remainingTime() != wait) {
        timer_.start(wait);
    }
}

}  // namespace corvane
