#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace corvane {

/// Turns SIGINT, SIGTERM and SIGHUP into a Qt signal on the main loop
/// (through a signalfd), so the program ends as cleanly as when it quits.
class SignalWatch : public QObject {
    Q_OBJECT

public:
    /// Blocks the signals for normal delivery. Call before Qt starts any thread:
    /// threads inherit the mask, and one without it would die of the signal.
    static void blockEndingSignals();

    explicit SignalWatch(QObject* parent = nullptr);
    ~SignalWatch() override;
    SignalWatch(const SignalWatch&) = delete;
    SignalWatch& operator=(const SignalWatch&) = delete;
    SignalWatch(SignalWatch&&) = delete;
    SignalWatch& operator=(SignalWatch&&) = delete;

signals:
    void received(int signal);

private:
    void drain();

    int fd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace corvane
