#include "devserviceprocess.h"

#include <QElapsedTimer>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

int DevServiceProcess::freePort(const char* host)
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    inet_pton(AF_INET, host, &addr.sin_addr);
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
        socklen_t len = sizeof addr;
        getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
        port = ntohs(addr.sin_port);
    }
    ::close(fd);
    return port;
}

bool DevServiceProcess::start(const QStringList& extraArgs)
{
    portA_ = freePort("127.0.0.1");
    lineA_ = "http://127.0.0.1:" + std::to_string(portA_);
    lineB_ = "http://127.0.0.2:" + std::to_string(freePort("127.0.0.2"));
    info_ = "http://127.0.0.1:" + std::to_string(freePort("127.0.0.1"));
    foreign_ = "http://127.0.0.9:" + std::to_string(freePort("127.0.0.9"));
    QStringList args = {
        "--listen", QString::fromStdString(lineA_), "--listen",  QString::fromStdString(lineB_),
        "--info",   QString::fromStdString(info_),  "--foreign", QString::fromStdString(foreign_)};
    args += extraArgs;
    process_.start(QStringLiteral(ZV_DEVSERVICE_EXE), args);
    if (!process_.waitForStarted(5000))
        return false;
    QElapsedTimer clock;
    clock.start();
    while (output_.count(QStringLiteral("listening on")) < 4 && clock.elapsed() < 5000) {
        if (process_.state() != QProcess::Running)
            return false;
        process_.waitForReadyRead(100);
        output_ += QString::fromUtf8(process_.readAllStandardOutput());
    }
    return output_.count(QStringLiteral("listening on")) == 4;
}

bool DevServiceProcess::stop(int ms)
{
    if (process_.state() == QProcess::NotRunning)
        return process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
    process_.terminate();
    if (!process_.waitForFinished(ms)) {
        process_.kill();
        process_.waitForFinished(2000);
        return false;
    }
    return process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
}
