#include "corvane/shell/show_panel_server.h"

#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cerrno>

namespace corvane {

namespace {

/// Qt objects whose own signal may be on the stack when they go.
struct LaterDeleter {
    void operator()(QObject* object) const { object->deleteLater(); }
};

}  // namespace

struct ShowPanelServer::Connection {
    app::UniqueFd fd;
    std::unique_ptr<QSocketNotifier, LaterDeleter> notifier;
    std::unique_ptr<QTimer, LaterDeleter> timeout;
    app::ShowRequestReader reader;
};

ShowPanelServer::ShowPanelServer(app::UniqueFd listener, QObject* parent)
    : QObject(parent), listener_(std::move(listener)) {
    if (!listener_.valid()) return;
    notifier_ = std::make_unique<QSocketNotifier>(listener_.get(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &ShowPanelServer::accept);
}

ShowPanelServer::~ShowPanelServer() = default;

void ShowPanelServer::accept() {
    for (;;) {
        app::UniqueFd fd(::accept4(listener_.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!fd.valid()) {
            if (errno == EINTR) continue;
            return;
        }
        if (connections_.size() >= kMaxConnections) continue;  // closed at once
        auto connection = std::make_unique<Connection>();
        auto* raw = connection.get();
        connection->notifier.reset(new QSocketNotifier(fd.get(), QSocketNotifier::Read));
        connection->timeout.reset(new QTimer);
        connection->fd = std::move(fd);
        connect(raw->notifier.get(), &QSocketNotifier::activated, this, [this, raw] { read(raw); });
        connect(raw->timeout.get(), &QTimer::timeout, this, [this, raw] { drop(raw); });
        raw->timeout->setSingleShot(true);
        raw->timeout->start(kTimeoutMs);
        connections_.push_back(std::move(connection));
    }
}

void ShowPanelServer::read(Connection* connection) {
    std::array<char, app::kShowRequest.size()> buffer{};
    const ssize_t n = ::recv(connection->fd.get(), buffer.data(), connection->reader.wanted(), 0);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
    const auto state = n > 0 ? connection->reader.add({buffer.data(), static_cast<std::size_t>(n)})
                             : app::ShowRequestReader::State::refused;
    if (state == app::ShowRequestReader::State::waiting) return;
    if (state == app::ShowRequestReader::State::show) {
        // Answered first: showing may take the loop a while.
        ::send(connection->fd.get(), app::kShownAnswer.data(), app::kShownAnswer.size(), MSG_NOSIGNAL);
        drop(connection);
        emit showRequested();
        return;
    }
    drop(connection);
}

void ShowPanelServer::drop(Connection* connection) {
    connection->notifier->setEnabled(false);
    connection->timeout->stop();
    std::erase_if(connections_, [connection](const auto& kept) { return kept.get() == connection; });
}

}  // namespace corvane
