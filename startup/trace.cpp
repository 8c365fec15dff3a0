#include "startup/trace.h"

#include "startup/settings.h"
#include "zvconfig.h"

#include <QDateTime>
#include <QFile>
#include <QSet>
#include <QtGlobal>
#ifdef Q_OS_UNIX
#include <ctime>
#endif

namespace
{

// "\t<ms>": the processor time of the calling thread so far, where the system says it. Steps are
// all taken on the user-interface thread: its time tells the program's own work on the way to a
// step from its waiting for the engine's processes.
QByteArray threadCpuField()
{
#ifdef Q_OS_UNIX
    timespec cpu{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu) == 0)
        return '\t' + QByteArray::number(cpu.tv_sec * 1000.0 + cpu.tv_nsec / 1e6, 'f', 1);
#endif
    return {};
}

} // namespace

namespace Trace
{

bool enabled()
{
    return ZV_TEST_TRACE != 0;
}

int intervalMs(const char* name, int fallback)
{
    if (!enabled())
        return fallback;
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue(name, &ok);
    return ok && ms > 0 ? ms : fallback;
}

void event(const QString& kind, const QString& detail)
{
    if (!enabled())
        return;
    QFile f(Member().settingsDir() + QStringLiteral("trace.log"));
    if (!f.open(QIODevice::Append | QIODevice::WriteOnly))
        return;
    QString line = kind + QLatin1Char('\t') + detail;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    f.write(line.toUtf8() + '\n');
}

void step(const char* step)
{
    if (!enabled())
        return;
    // Read once: the steps start before the application object, and nothing changes it.
    static const QString path = qEnvironmentVariable("ZV_TEST_TIMELINE");
    // Each step once: the first time it is reached.
    static QSet<QByteArray> reached;
    if (path.isEmpty() || reached.contains(step))
        return;
    reached.insert(step);
    QFile f(path);
    if (!f.open(QIODevice::Append | QIODevice::WriteOnly))
        return;
    f.write(QByteArray(step) + '\t' + QByteArray::number(QDateTime::currentMSecsSinceEpoch()) +
            threadCpuField() + '\n');
}

} // namespace Trace
