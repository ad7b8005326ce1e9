#include "corvane/app/single_instance.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QRegularExpression>

namespace corvane {

namespace {

constexpr int kAnswerTimeoutMs = 2000;
const QByteArray kShowRequest = "show\n";
const QByteArray kShownAnswer = "shown\n";

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

SingleInstance::SingleInstance(QString name, QObject* parent) : QObject(parent), name_(std::move(name)) {
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::answer);
}

SingleInstance::Claim SingleInstance::claim() {
    // Two starts at once: the one that loses the race to listen finds the winner
    // on its second look.
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (askRunningInstance()) return Claim::otherRuns;
        if (listen()) return Claim::first;
    }
    // Nobody answers on a socket that exists: left behind by a program that died.
    QLocalServer::removeServer(name_);
    return listen() ? Claim::first : Claim::failed;
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
