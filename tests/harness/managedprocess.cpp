#include "harness/managedprocess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace harness
{

namespace
{

// Process groups still to be killed; plain atomics so that a signal handler may walk them.
constexpr int kMaxGroups = 64;
std::atomic<pid_t> g_groups[kMaxGroups];

void registerGroup(pid_t pgid)
{
    for (auto& slot : g_groups) {
        pid_t expected = 0;
        if (slot.compare_exchange_strong(expected, pgid))
            return;
    }
}

void unregisterGroup(pid_t pgid)
{
    for (auto& slot : g_groups) {
        pid_t expected = pgid;
        if (slot.compare_exchange_strong(expected, 0))
            return;
    }
}

void onFatalSignal(int sig)
{
    ManagedProcess::killAllGroups();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

void installCleanupOnce()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGABRT, SIGSEGV})
        std::signal(sig, onFatalSignal);
    std::atexit(&ManagedProcess::killAllGroups);
}

QString procStat(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(f.readAll());
}

// Fields after the command name, which is in parentheses and may hold spaces.
QStringList statFields(qint64 pid)
{
    const QString stat = procStat(pid);
    const int close = stat.lastIndexOf(QLatin1Char(')'));
    if (close < 0)
        return {};
    return stat.mid(close + 2).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QList<qint64> allPids()
{
    QList<qint64> pids;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& e : entries) {
        bool ok = false;
        const qint64 pid = e.toLongLong(&ok);
        if (ok)
            pids.append(pid);
    }
    return pids;
}

} // namespace

bool processAlive(qint64 pid)
{
    if (pid <= 0)
        return false;
    const QStringList f = statFields(pid);
    return !f.isEmpty() && f[0] != QLatin1String("Z") && f[0] != QLatin1String("X");
}

qint64 parentPid(qint64 pid)
{
    const QStringList f = statFields(pid);
    return f.size() > 1 ? f[1].toLongLong() : 0;
}

qint64 processGroup(qint64 pid)
{
    const QStringList f = statFields(pid);
    return f.size() > 2 ? f[2].toLongLong() : 0;
}

QList<qint64> descendantsOf(qint64 pid)
{
    QList<qint64> found;
    if (pid <= 0)
        return found;
    QList<QPair<qint64, qint64>> table; // pid, parent
    for (qint64 p : allPids()) {
        if (processAlive(p))
            table.append({p, parentPid(p)});
    }
    QList<qint64> frontier{pid};
    while (!frontier.isEmpty()) {
        const qint64 parent = frontier.takeFirst();
        for (const auto& [p, pp] : table) {
            if (pp == parent && !found.contains(p)) {
                found.append(p);
                frontier.append(p);
            }
        }
    }
    return found;
}

QList<qint64> processesInGroup(qint64 pgid)
{
    QList<qint64> found;
    if (pgid <= 0)
        return found;
    for (qint64 p : allPids()) {
        if (processAlive(p) && processGroup(p) == pgid)
            found.append(p);
    }
    return found;
}

QString processName(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(f.readAll()).trimmed();
}

ManagedProcess::ManagedProcess(const QString& name, const QString& logPath)
    : name_(name), logPath_(logPath)
{
    installCleanupOnce();
}

ManagedProcess::~ManagedProcess()
{
    stop();
}

bool ManagedProcess::start(const QString& program, const QStringList& args,
                           const QProcessEnvironment& env, const QString& workingDir)
{
    process_.setProgram(program);
    process_.setArguments(args);
    process_.setProcessEnvironment(env);
    if (!workingDir.isEmpty())
        process_.setWorkingDirectory(workingDir);
    process_.setStandardInputFile(QProcess::nullDevice());
    process_.setStandardOutputFile(logPath_, QIODevice::Append);
    process_.setStandardErrorFile(logPath_, QIODevice::Append);
    const pid_t harnessPid = getpid();
    process_.setChildProcessModifier([harnessPid] {
        // Own session and process group, so that stop() reaches everything it starts; and
        // die with the test program even when that is killed outright.
        setsid();
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != harnessPid)
            _exit(127);
    });
    process_.start();
    if (!process_.waitForStarted(10000)) {
        error_ =
            QStringLiteral("%1 (%2) did not start: %3").arg(name_, program, process_.errorString());
        finished_ = true;
        return false;
    }
    pid_ = process_.processId();
    finished_ = false;
    registerGroup(static_cast<pid_t>(pid_));
    return true;
}

QByteArray ManagedProcess::log() const
{
    QFile f(logPath_);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QString ManagedProcess::logTail(int lines) const
{
    const QStringList all = QString::fromUtf8(log()).split(QLatin1Char('\n'));
    return all.mid(qMax(0, all.size() - lines - 1)).join(QLatin1Char('\n'));
}

void ManagedProcess::reap()
{
    if (pid_ == 0 || finished_)
        return;
    if (process_.state() == QProcess::NotRunning || process_.waitForFinished(0))
        finished_ = true;
}

bool ManagedProcess::running() const
{
    const_cast<ManagedProcess*>(this)->reap();
    return pid_ != 0 && !finished_;
}

bool ManagedProcess::waitForExit(int timeoutMs)
{
    if (pid_ == 0)
        return true;
    QElapsedTimer t;
    t.start();
    while (running()) {
        if (t.elapsed() >= timeoutMs)
            return false;
        process_.waitForFinished(50);
    }
    return true;
}

int ManagedProcess::exitCode() const
{
    if (running() || pid_ == 0 || process_.exitStatus() != QProcess::NormalExit)
        return -1;
    return process_.exitCode();
}

bool ManagedProcess::crashed() const
{
    return !running() && pid_ != 0 && process_.exitStatus() == QProcess::CrashExit;
}

void ManagedProcess::signalGroup(int sig)
{
    if (pid_ > 0)
        ::kill(-static_cast<pid_t>(pid_), sig);
}

void ManagedProcess::stop(int graceMs)
{
    if (pid_ == 0)
        return;
    if (running()) {
        signalGroup(SIGTERM);
        waitForExit(graceMs);
    }
    // Whatever it left behind in its group goes too.
    signalGroup(SIGKILL);
    waitForExit(5000);
    unregisterGroup(static_cast<pid_t>(pid_));
}

void ManagedProcess::killAllGroups()
{
    for (auto& slot : g_groups) {
        const pid_t pgid = slot.exchange(0);
        if (pgid > 0)
            ::kill(-pgid, SIGKILL);
    }
}

} // namespace harness
