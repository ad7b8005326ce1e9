#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>

#include <memory>
#include <vector>

#include "corvane/command_line/show_request.h"
#include "corvane/command_line/unique_fd.h"

namespace corvane {

/// Answers later starts on the running instance's socket: "show\n" gets
/// "shown\n" and showRequested(). A connection is read a few bytes at most
/// and dropped after a moment; only a few are kept at once, so no peer can
/// take the program's memory or descriptors.
class ShowPanelServer : public QObject {
    Q_OBJECT

public:
    static constexpr int kMaxConnections = 8;
    static constexpr int kTimeoutMs = 1000;

    /// Accepts on `listener`, a listening non-blocking socket; an invalid one answers nobody.
    explicit ShowPanelServer(app::UniqueFd listener, QObject* parent = nullptr);
    ~ShowPanelServer() override;
    ShowPanelServer(const ShowPanelServer&) = delete;
    ShowPanelServer& operator=(const ShowPanelServer&) = delete;
    ShowPanelServer(ShowPanelServer&&) = delete;
    ShowPanelServer& operator=(ShowPanelServer&&) = delete;

signals:
    void showRequested();

private:
    struct Connection;
    void accept();
    void read(Connection* connection);
    void drop(Connection* connection);

    app::UniqueFd listener_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<std::unique_ptr<Connection>> connections_;
};

}  // namespace corvane
