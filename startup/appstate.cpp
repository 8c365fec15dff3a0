#include "startup/appstate.h"

#include <QUrl>

namespace mod_Main
{

std::array<QString, 4> ServerLines;
qint16 CurLine = 0;
QString SavedUser;
QString SavedPass;

QStringList serviceHosts()
{
    QStringList hosts;
    for (const QString& line : ServerLines) {
        // In ASCII (punycode), as pages report their host names.
        const QString host = QUrl(line).host(QUrl::EncodeUnicode).toLower();
        if (!host.isEmpty() && !hosts.contains(host))
            hosts << host;
    }
    return hosts;
}

QString currentLineUrl()
{
    const int i = (CurLine >= 0 && CurLine <= 3) ? CurLine : 0;
    return ServerLines[static_cast<size_t>(i)];
}

} // namespace mod_Main
