#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <sys/types.h>

namespace corvane {

/// Keeps one running program per user and display: the first one listens on a
/// local socket named after both; a later one asks it to show its panel and
/// leaves. Two controllers on one display would fight over keys and windows.
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
        failed,     ///< no socket could be made
    };
    /// Becomes the running instance, or, when another one answers, asks it to
    /// show its panel. A socket nobody answers on is left from a program that
    /// died: it is replaced.
    Claim claim();

signals:
    /// A later start asked for the panel.
    void showRequested();

private:
    [[nodiscard]] bool askRunningInstance() const;
    bool listen();
    void answer();

    QString name_;
    QLocalServer server_;
};

}  // namespace corvane
