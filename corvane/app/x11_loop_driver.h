#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include "platform/x11/wire/event_loop.h"

namespace corvane {

/// Runs the X11 backend's loop inside Qt's: its connection is watched with a
/// socket notifier, whatever is ready is handled (and its requests flushed)
/// before Qt's loop sleeps, and the loop's own timers (the tick among them)
/// wake Qt's loop through one single-shot timer.
class X11LoopDriver : public QObject {
    Q_OBJECT

public:
    X11LoopDriver(x11::EventLoop& loop, int connectionFd, QObject* parent = nullptr);

signals:
    /// The X connection broke; emitted once.
    void connectionLost();

private:
    /// `socketReadable`: Qt saw the connection readable, so one read will find something.
    void dispatch(bool socketReadable);
    void armTimer();

    x11::EventLoop& loop_;
    QSocketNotifier notifier_;
    QTimer timer_;
    bool dispatching_ = false;
    bool lost_ = false;
};

}  // namespace corvane
