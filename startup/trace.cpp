#include "startup/trace.h"

#include "startup/settings.h"
#include "zvconfig.h"

#include <QFile>
#include <QtGlobal>

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

} // namespace Trace
