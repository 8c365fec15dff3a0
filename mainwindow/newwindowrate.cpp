#include "mainwindow/newwindowrate.h"

bool NewWindowRate::allow(qint64 nowMs, bool userInitiated)
{
    if (userInitiated)
        return true;
    while (!unrequested_.empty() && nowMs - unrequested_.front() >= kPeriodMs)
        unrequested_.pop_front();
    if (static_cast<int>(unrequested_.size()) >= kMaxUnrequested)
        return false;
    unrequested_.push_back(nowMs);
    return true;
}
