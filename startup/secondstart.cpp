#include "startup/secondstart.h"

#include "startup/activationmessage.h"
#include "startup/memberfolders.h"
#include "startup/trace.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
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

// Connects socket to the channel by its name (abstract) or its socket file, within ms; true when
// a process of the member's own is at the other end.
bool connectToMembers(QLocalSocket& socket, const QString& name, bool abstract, int ms)
{
    socket.setSocketOptions(abstract ? QLocalSocket::AbstractNamespaceOption
                                     : QLocalSocket::NoOptions);
    socket.connectToServer(name);
    return socket.waitForConnected(ms) && peerIsMembers(socket);
}

// How long the listener waits to learn who holds the channel's name.
constexpr int kProbeWaitMs = 1000;

} // namespace

SecondStartListener::SecondStartListener(const QString& lockPath, QObject* parent)
    : QObject(parent), server_(new QLocalServer(this))
{
    server_->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    server_->setMaxPendingConnections(4);
    connect(server_, &QLocalServer::newConnection, this, &SecondStartListener::accept);
    const QString name = nameFor(lockPath);
    if (server_->listen(name))
        return;
    // Held by a copy of the member's, the name is that copy's channel: this one goes without.
    // Held by anybody else (another user who took the name first, to cut the member's second
    // starts off), the socket file beside the lock takes its place.
    QLocalSocket holder;
    if (!connectToMembers(holder, name, true, kProbeWaitMs))
        listenOnFile(ActivationMessage::channelFile(lockPath));
}

void SecondStartListener::listenOnFile(const QString& path)
{
    // Only in a folder where nobody else can make, replace or take away the file, which is the
    // member's alone to connect to (0600).
    const QString folder = QFileInfo(path).absolutePath();
    if (!MemberFolders::isMembersAlone(folder))
        return;
    QLocalSocket other;
    other.connectToServer(path);
    if (other.waitForConnected(kProbeWaitMs))
        return;                       // a copy listens there already
    QLocalServer::removeServer(path); // left by a copy that crashed
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (server_->listen(path)) // made 0700 by Qt; a socket has no use for the x
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
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
    Trace::step("second start");
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
    // By the channel's name, or where someone else holds that, by the socket file.
    QLocalSocket socket;
    if (!connectToMembers(socket, nameFor(lockPath), true, left())) {
        socket.abort();
        if (!connectToMembers(socket, ActivationMessage::channelFile(lockPath), false, left()))
            return false;
    }
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
