#include "startup/appstate.h"

#include "zvconfig.h"

namespace mod_Main
{

std::array<QString, 4> ServerLines;
qint16 CurLine = 0;
QString SavedUser;
QString SavedPass;

void fillServerLines()
{
    ServerLines = {QStringLiteral(ZV_LINE0_URL), QStringLiteral(ZV_LINE1_URL),
                   QStringLiteral(ZV_LINE2_URL), QStringLiteral(ZV_LINE3_URL)};
}

QString currentLineUrl()
{
    const int i = (CurLine >= 0 && CurLine <= 3) ? CurLine : 0;
    return ServerLines[static_cast<size_t>(i)];
}

} // namespace mod_Main
