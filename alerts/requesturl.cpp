#include "alerts/requesturl.h"

#include <QLocale>

namespace RequestUrl
{

QString stamp(const QDateTime& now)
{
    return QLocale::c().toString(now, QStringLiteral("yyyy-M-d'%20'H:mm:ss"));
}

QString messageList(const QString& base, const QDateTime& now)
{
    return base + QStringLiteral("/nc/tx.asp?s=") + stamp(now);
}

QString seriesList(const QString& base, const QDateTime& now)
{
    return base + QStringLiteral("/nc/tx_sxzv.asp?s=") + stamp(now);
}

} // namespace RequestUrl
