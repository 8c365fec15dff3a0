#pragma once
// A child process of the harness in its own process group (a new session), which the kernel
// kills when the test program dies and which stop() ends with everything it started.
#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace harness
{

class ManagedProcess
{
public:
    // `name` appears in failure messages; stdout and stderr go to `logPath` (appended).
    ManagedProcess(const QString& name, const QString& logPath);
    ~ManagedProcess(); // stop()
    ManagedProcess(const ManagedProcess&) = delete;
    ManagedProcess& operator=(const ManagedProcess&) = delete;

    bool start(const QString& program, const QStringList& args, const QProcessEnvironment& env,
               const QString& workingDir = {});
    QString name() const { return name_; }
    QString error() const { return error_; }
    QString logPath() const { return logPath_; }
    QByteArray log() const; // what it printed so far
    QString logTail(int lines = 20) const;

    qint64 pid() const { return pid_; } // 0 before start
    bool running() const;
    bool waitForExit(int timeoutMs);
    int exitCode() const; // -1 while running or after a signal
    bool crashed() const;

    void signalGroup(int sig); // to the whole process group
    // SIGTERM to the group, up to graceMs for the process to end, then SIGKILL to the group;
    // returns once the process is reaped.
    void stop(int graceMs = 3000);

    // Kills every process group still registered (also usable from a signal handler).
    static void killAllGroups();

private:
    void reap();

    QString name_;
    QString logPath_;
    QString error_;
    QProcess process_;
    qint64 pid_ = 0;
    bool finished_ = false;
};

// Process helpers on /proc.
bool processAlive(qint64 pid); // exists and is not a zombie
qint64 parentPid(qint64 pid);
qint64 processGroup(qint64 pid);
QList<qint64> descendantsOf(qint64 pid);
QList<qint64> processesInGroup(qint64 pgid);
QString processName(qint64 pid);

} // namespace harness
