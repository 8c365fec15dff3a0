#include "startup/settings.h"

#include <QCoreApplication>

// Placeholder until the INI reader/writer lands.
namespace {
QString& appDirOverride()
{
    static QString dir;
    return dir;
}
}  // namespace

QString ReadIni(const QString&, const QString&, const QString&) { return {}; }
void WriteIni(const QString&, const QString&, const QString&, const QString&) {}

QString AppDir()
{
    QString dir = appDirOverride().isEmpty() ? QCoreApplication::applicationDirPath() : appDirOverride();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

QString ConfigPath() { return AppDir() + QStringLiteral("config.ini"); }
void setAppDirForTesting(const QString& dir) { appDirOverride() = dir; }
