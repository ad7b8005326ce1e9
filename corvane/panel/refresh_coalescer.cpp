#include "corvane/panel/refresh_coalescer.h"

#include <QMetaObject>

namespace corvane {

RefreshCoalescer::RefreshCoalescer(QObject* context, std::function<void()> refresh)
    : context_(context), refresh_(std::move(refresh)) {}

void RefreshCoalescer::request() {
    if (pending_) return;
    pending_ = true;
    // Queued: the request arrives before the controller stores the value.
    QMetaObject::invokeMethod(
        context_,
        [this] {
            pending_ = false;
            refresh_();
        },
        Qt::QueuedConnection);
}

}  // namespace corvane
