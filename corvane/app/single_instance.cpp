#include "corvane/app/single_instance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QThread>

namespace corvane {

namespace {

constexpr int kAnswerTimeoutMs = 2000;
const QByteArray kShowRequest = "show\n";
const QByteArray kShownAnswer = "shown\n";

/// How long a later start waits for the running one to answer, which may just be starting.
constexpr int kStartingMs = 3000;

/// "host:1.0" and "host:1" are the same display; only the screen differs.
QString displayWithoutScreen(const QString& display) {
    const auto colon = display.lastIndexOf(QLatin1Char(':'));
    const auto dot = display.indexOf(QLatin1Char('.'), colon < 0 ? 0 : colon);
    return colon >= 0 && dot > colon ? display.left(dot) : display;
}

}  // namespace

QString SingleInstance::serverName(uid_t uid, const QString& display) {
    QString safeDisplay = displayWithoutScreen(display);
    safeDisplay.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")), QStringLiteral("_"));
    const QString name = QStringLiteral("corvane-%1-%2").arg(uid).arg(safeDisplay);
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir() && QDir::isAbsolutePath(runtime)) {
        return QDir(runtime).filePath(name);
    }
    return name;
}

QString lockPath(const QString& name) {
    // A bare socket name lives in the temporary folder, as QLocalServer puts it.
    return (QDir::isAbsolutePath(name) ? name : QDir(QDir::tempPath()).filePath(name)) +
           QStringLiteral(".lock");
}

SingleInstance::SingleInstance(QString name, QObject* parent)
    : QObject(parent), name_(std::move(name)), lock_(lockPath(name_)) {
    // Never stale by age: only a holder that died gives it up.
    lock_.setStaleLockTime(0);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::answer);
}

SingleInstance::Claim SingleInstance::claim() {
    if (lock_.tryLock(0)) {
        // Ours now: a socket there is left from a program that died.
        QLocalServer::removeServer(name_);
        return listen() ? Claim::first : Claim::failed;
    }
    if (lock_.error() != QLockFile::LockFailedError) return Claim::failed;
    // The holder may still be starting, its socket not there yet.
    QElapsedTimer waited;
    waited.start();
    do {
        if (askRunningInstance()) return Claim::otherRuns;
        QThread::msleep(50);
    } while (waited.elapsed() < kStartingMs);
    return Claim::otherBusy;
}

bool SingleInstance::askRunningInstance() const {
    QLocalSocket socket;
    socket.connectToServer(name_);
    if (!socket.waitForConnected(kAnswerTimeoutMs)) return false;
    socket.write(kShowRequest);
    if (!socket.waitForBytesWritten(kAnswerTimeoutMs)) return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(kAnswerTimeoutMs)) return false;
    }
    return socket.readLine() == kShownAnswer;
}

bool SingleInstance::listen() {
    return server_.listen(name_);
}

void SingleInstance::answer() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) return;
            if (socket->readLine() != kShowRequest) {
                socket->disconnectFromServer();
                return;
            }
            emit showRequested();
            socket->write(kShownAnswer);
            socket->disconnectFromServer();
        });
    }
}

}  // namespace corvane
