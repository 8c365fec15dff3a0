#include "mainwindow/form1rules.h"

namespace Form1Rules
{

int effectiveLine(qint16 curLine)
{
    return curLine >= 0 && curLine <= 3 ? curLine : 0;
}

bool loginFillWanted(int mimaState, const QString& savedUser, const QString& savedPass,
                     int readyState)
{
    if (mimaState == 0)
        return false;
    if (savedUser.isEmpty() || savedPass.isEmpty())
        return false;
    return readyState == 4;
}

} // namespace Form1Rules
