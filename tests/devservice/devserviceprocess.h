#pragma once
// A running zv-devservice for the tests: two line hosts on different loopback addresses, an
// information site and the foreign site, each on a free port of its own.
#include <QProcess>
#include <QString>
#include <QStringList>
#include <string>

class DevServiceProcess
{
public:
    DevServiceProcess() = default;
    ~DevServiceProcess() { stop(); }

    // Starts the service with `extraArgs` and waits for its "listening on" lines.
    bool start(const QStringList& extraArgs = {});
    // Sends SIGTERM and waits up to `ms` for the exit; true when it exited cleanly in time.
    bool stop(int ms = 5000);

    std::string lineA() const { return lineA_; } // http://127.0.0.1:port
    std::string lineB() const { return lineB_; } // http://127.0.0.2:port
    std::string info() const { return info_; }
    std::string foreign() const { return foreign_; } // http://127.0.0.9:port
    int portA() const { return portA_; }
    QProcess& process() { return process_; }
    QString output() const { return output_; }

    // A port that nothing listens on at this moment, on `host`.
    static int freePort(const char* host);

private:
    QProcess process_;
    QString output_;
    std::string lineA_;
    std::string lineB_;
    std::string info_;
    std::string foreign_;
    int portA_ = 0;
};
