#pragma once

#include <QObject>

#include <functional>

namespace corvane {

/// Turns any number of requests within one event-loop turn into one call,
/// made on a later turn. The call is dropped if `context` goes away first.
class RefreshCoalescer {
public:
    RefreshCoalescer(QObject* context, std::function<void()> refresh);

    void request();

private:
    QObject* context_;
    std::function<void()> refresh_;
    bool pending_ = false;
};

}  // namespace corvane
