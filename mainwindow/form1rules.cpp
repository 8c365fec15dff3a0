#include "mainwindow/form1rules.h"

#include "startup/vbnumber.h"

#include <cmath>

namespace Form1Rules
{

std::optional<int> boxStateFromIni(const QString& value)
{
    const QString text = value.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    bool numeric = false;
    const double number = text.toDouble(&numeric);
    if (!numeric || !std::isfinite(number))
        return std::nullopt;
    const std::optional<qint16> n = VbNumber::toInt16(text);
    if (!n || *n < 0 || *n > 2)
        return std::nullopt;
    return *n;
}

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
