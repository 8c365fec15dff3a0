#pragma once
// The running-time limit: the program ends itself once more than EndTime minute boundaries lie
// between its start and now.
#include <QDateTime>

namespace RunTimeLimit
{

// Minute boundaries between start and now: both cut down to whole minutes, then the difference
// (10:00:59 to 10:01:00 counts as one). Negative when the clock went back before start.
qint64 minuteBoundaries(const QDateTime& start, const QDateTime& now);

// True once the count is greater than endTime; never for an unset start.
bool exceeded(const QDateTime& start, const QDateTime& now, qint64 endTime);

} // namespace RunTimeLimit
