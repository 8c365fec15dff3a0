#include "startup/secondstart.h"

#include "startup/activationmessage.h"

#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

// Whether the process at the other end of a connected local socket is the member's own.
bool peerIsMembers(const QLocalSocket& socket)
{
    ucred cred{};
    socklen_t size = sizeof cred;
    const int fd = static_cast<int>(socket.socketDescriptor());
    return fd >= 0 && ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &size) == 0 &&
           size == sizeof cred && cred.uid == ::geteuid();
}

QString nameFor(const QString& lockPath)
{
    return ActivationMessage::channelName(lockPath, ::geteuid());
}

} // namespace

SecondStartListener::SecondStartListener(const QString& lockPath, QObject* parent)
    : QObject(parent), server_(new QLocalServer(this))
{
    server_->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    server_->setMaxPendingConnections(4);
    connect(server_, &QLocalServer::newConnection, this, &SecondStartListener::accept);
    server_->listen(nameFor(lockPath));
}

SecondStartListener::~SecondStartListener() = default;

bool SecondStartListener::listening() const
{
    return server_->isListening();
}

void SecondStartListener::accept()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!peerIsMembers(*socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        // A connection that says nothing, or too little, is dropped after a while.
        QTimer::singleShot(kReadWaitMs, socket, [socket] { socket->abort(); });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
        read(socket);
    }
}

void SecondStartListener::read(QLocalSocket* socket)
{
    // One line, and nothing after it.
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > ActivationMessage::kMaxLineBytes)
            socket->abort();
        return;
    }
    disconnect(socket, nullptr, this, nullptr);
    const QByteArray line = socket->readLine(ActivationMessage::kMaxLineBytes + 2);
    const std::optional<QString> token = ActivationMessage::decode(line);
    if (!token || socket->bytesAvailable() > 0) {
        socket->abort();
        return;
    }
    emit activationRequested(*token);
    socket->write(ActivationMessage::done());
    socket->disconnectFromServer();
}

namespace SecondStart
{

bool tellRunningCopy(const QString& lockPath, const QString& token, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    const auto left = [&] { return std::max(0, timeoutMs - static_cast<int>(clock.elapsed())); };
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(nameFor(lockPath));
    if (!socket.waitForConnected(left()) || !peerIsMembers(socket))
        return false;
    socket.write(ActivationMessage::encode(token));
    if (!socket.waitForBytesWritten(left()))
        return false;
    QByteArray answer;
    while (!answer.contains('\n') && answer.size() < 64 && socket.waitForReadyRead(left()))
        answer += socket.readAll();
    return answer == ActivationMessage::done();
}

QString launchToken()
{
    const QString startupId = qEnvironmentVariable("DESKTOP_STARTUP_ID");
    return startupId.isEmpty() ? qEnvironmentVariable("XDG_ACTIVATION_TOKEN") : startupId;
}

} // namespace SecondStart

#include "moc_secondstart.cpp" // meta-object code, compiled with this file
