#include "alerts/runtimelimit.h"

namespace RunTimeLimit
{

namespace
{
qint64 wholeMinutes(const QDateTime& dt)
{
    // Whole minutes of the local clock reading, so a minute boundary is where the clock's minute
    // changes; counted from the epoch so the difference is real elapsed time.
    const qint64 secs = dt.toSecsSinceEpoch() - dt.time().second();
    return secs >= 0 ? secs / 60 : (secs - 59) / 60;
}
} // namespace

qint64 minuteBoundaries(const QDateTime& start, const QDateTime& now)
{
    return wholeMinutes(now) - wholeMinutes(start);
}

bool exceeded(const QDateTime& start, const QDateTime& now, qint64 endTime)
{
    if (!start.isValid() || !now.isValid())
        return false;
    return minuteBoundaries(start, now) > endTime;
}

} // namespace RunTimeLimit
