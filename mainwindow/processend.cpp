#include "mainwindow/processend.h"

#include <QDir>
#include <QFile>
#include <QMultiHash>

#include <csignal>
#include <unistd.h>
#include <vector>

namespace
{
std::function<void()>& testHandler()
{
    static std::function<void()> h;
    return h;
}

// Parent id from /proc/<pid>/stat; the command name in parentheses may hold blanks.
int parentOf(const QString& pid)
{
    QFile f(QStringLiteral("/proc/") + pid + QStringLiteral("/stat"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = f.readAll();
    const int close = stat.lastIndexOf(')');
    if (close < 0)
        return -1;
    const QList<QByteArray> fields = stat.mid(close + 2).split(' ');
    if (fields.size() < 2)
        return -1;
    bool ok = false;
    const int ppid = fields.at(1).toInt(&ok);
    return ok ? ppid : -1;
}
} // namespace

namespace ProcessEnd
{

std::vector<int> descendants()
{
    QMultiHash<int, int> children;
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString& e : entries) {
        bool ok = false;
        const int pid = e.toInt(&ok);
        if (!ok)
            continue;
        const int ppid = parentOf(e);
        if (ppid > 0)
            children.insert(ppid, pid);
    }
    std::vector<int> result;
    std::vector<int> queue{static_cast<int>(getpid())};
    for (std::size_t i = 0; i < queue.size(); ++i) {
        const QList<int> kids = children.values(queue[i]);
        for (int kid : kids) {
            result.push_back(kid);
            queue.push_back(kid);
        }
    }
    return result;
}

void now()
{
    if (testHandler()) {
        testHandler()();
        return;
    }
    for (int pid : descendants())
        ::kill(pid, SIGKILL);
    ::_exit(0);
}

void setHandlerForTesting(std::function<void()> handler)
{
    testHandler() = std::move(handler);
}

} // namespace ProcessEnd
