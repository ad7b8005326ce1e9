#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

#include <sys/types.h>

namespace corvane {

/// Keeps one running program per user and display. A lock file beside the
/// socket decides who runs (the system says when its holder died); the
/// running one listens on a local socket named after both, which only
/// carries "show the panel": a later start asks for that and leaves, also
/// when the running one is too busy to answer. Two controllers on one display
/// would fight over keys and windows.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    /// The socket's name for `uid` on `display` (":1" and ":1.0" are one display),
    /// under $XDG_RUNTIME_DIR when there is one.
    static QString serverName(uid_t uid, const QString& display);

    explicit SingleInstance(QString name, QObject* parent = nullptr);

    enum class Claim {
        first,      ///< this process is the running instance now
        otherRuns,  ///< another one answered and was asked to show its panel
        otherBusy,  ///< another one runs, but did not answer in time
        failed,     ///< no lock file or socket could be made
    };
    /// Becomes the running instance, or asks the running one to show its panel.
    Claim claim();

signals:
    /// A later start asked for the panel.
    void showRequested();

private:
    [[nodiscard]] bool askRunningInstance() const;
    bool listen();
    void answer();

    QString name_;
    QLockFile lock_;
    QLocalServer server_;
};

}  // namespace corvane
