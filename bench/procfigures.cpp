#include "procfigures.h"

#include "harness/managedprocess.h"

#include <QFile>
#include <QString>

#include <algorithm>
#include <unistd.h>

namespace bench
{

namespace
{

QByteArray procFile(qint64 pid, const char* name)
{
    QFile f(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

qint64 kbField(const QByteArray& text, const QByteArray& key)
{
    for (const QByteArray& line : text.split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).simplified().split(' ').value(0).toLongLong();
    }
    return 0;
}

qint64 cpuTicksFromStat(const QByteArray& stat)
{
    // The command name may hold blanks and brackets; the fields after its last ')' start with
    // the state (field 3), so utime (14) and stime (15) are the 12th and 13th of them.
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0)
        return -1;
    const QList<QByteArray> rest = stat.mid(close + 1).simplified().split(' ');
    if (rest.size() < 13)
        return -1;
    bool okUser = false;
    bool okSystem = false;
    const qint64 user = rest.at(11).toLongLong(&okUser);
    const qint64 system = rest.at(12).toLongLong(&okSystem);
    return okUser && okSystem ? user + system : -1;
}

Memory memoryOf(qint64 pid)
{
    Memory m;
    QList<qint64> tree{pid};
    tree += harness::descendantsOf(pid);
    for (qint64 p : std::as_const(tree)) {
        const QByteArray status = procFile(p, "status");
        m.rssKb += kbField(status, "VmRSS:");
        m.anonKb += kbField(status, "RssAnon:");
        m.pssKb += kbField(procFile(p, "smaps_rollup"), "Pss:");
        ++m.processes;
    }
    return m;
}

double cpuSeconds(qint64 pid)
{
    const qint64 ticks = cpuTicksFromStat(procFile(pid, "stat"));
    return ticks < 0 ? -1 : static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double cpuSecondsOfDescendants(qint64 pid)
{
    double sum = 0;
    for (qint64 p : harness::descendantsOf(pid))
        sum += std::max(0.0, cpuSeconds(p));
    return sum;
}

Stats statsOf(QList<double> values)
{
    Stats s;
    s.n = static_cast<int>(values.size());
    if (values.isEmpty())
        return s;
    std::sort(values.begin(), values.end());
    const qsizetype mid = values.size() / 2;
    s.median = values.size() % 2 ? values.at(mid) : (values.at(mid - 1) + values.at(mid)) / 2;
    s.min = values.first();
    s.max = values.last();
    return s;
}

} // namespace bench
