#pragma once
// A second start of the program reaches the copy that runs: the running copy listens on a local
// socket of the member's own (SecondStartListener), and a second start tells it to show itself
// before it says "程序已经运行！" and ends (SecondStart::tellRunningCopy).
//
// The socket sits in the kernel's abstract namespace, named after the single-instance lock
// (ActivationMessage::channelName): every copy that finds the lock finds the socket, whatever its
// environment says, a crash leaves nothing behind that could block the next start, and no file
// of it lies anywhere. That name can be guessed, so another user may take it first; then the
// running copy listens on a socket file beside the lock instead (ActivationMessage::channelFile),
// which only the member may open, and a second start that finds someone else behind the name
// tries that file. Both ends ask the kernel who is at the other end (SO_PEERCRED) and deal with
// the member's own processes only.
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

class SecondStartListener : public QObject
{
    Q_OBJECT
public:
    // How long a connection may take to say its line before it is dropped.
    static constexpr int kReadWaitMs = 2000;

    explicit SecondStartListener(const QString& lockPath, QObject* parent = nullptr);
    ~SecondStartListener() override;

    // False when the channel could not be opened (a copy of the member's holds it, or another
    // user holds its name where no socket file can be made); the program runs on without it.
    bool listening() const;

signals:
    // A second start asked; token is its activation token, empty when it had none. The second
    // start is answered when the handlers have returned.
    void activationRequested(const QString& token);

private:
    void listenOnFile(const QString& path);
    void accept();
    void read(QLocalSocket* socket);

    QLocalServer* server_;
};

namespace SecondStart
{

// Tells the copy that listens for the lock at lockPath to show itself and waits at most timeoutMs
// for it to answer that it has. False when no copy of the member's own answered.
bool tellRunningCopy(const QString& lockPath, const QString& token, int timeoutMs);

// The activation token this process was started with, read before the window system takes it
// from the environment: DESKTOP_STARTUP_ID (X11 startup notification), else
// XDG_ACTIVATION_TOKEN (Wayland).
QString launchToken();

} // namespace SecondStart
