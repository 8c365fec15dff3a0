#include "mainwindow/form1rules.h"

#include <algorithm>

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

int retryDelayMs(int attempt)
{
    constexpr int kFirstMs = 2000;
    constexpr int kMostMs = 60000;
    int delay = kFirstMs;
    for (int i = 0; i < attempt && delay < kMostMs; ++i)
        delay *= 2;
    return std::min(delay, kMostMs);
}

} // namespace Form1Rules
