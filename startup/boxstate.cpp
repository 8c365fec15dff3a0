#include "startup/boxstate.h"

#include "startup/vbnumber.h"

namespace BoxState
{

std::optional<int> fromIni(const QString& text)
{
    const std::optional<qint16> n = VbNumber::toInt16Strict(text);
    if (!n || *n < 0 || *n > 2)
        return std::nullopt;
    return *n;
}

} // namespace BoxState
