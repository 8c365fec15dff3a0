#include "startup/onecopy.h"

#include "startup/trace.h"

OneCopy::OneCopy(const QString& lockPath) : lock_(lockPath) {}

OneCopy::~OneCopy() = default;

bool OneCopy::claim(const QString& token, int tellWaitMs)
{
    if (!lock_.tryAcquire()) {
        SecondStart::tellRunningCopy(lock_.lockPath(), token, tellWaitMs);
        return false;
    }
    Trace::step("lock");
    listener_ = std::make_unique<SecondStartListener>(lock_.lockPath());
    Trace::step("listener");
    if (lock_.holdsLock() || listener_->listening() ||
        !SecondStart::tellRunningCopy(lock_.lockPath(), token, tellWaitMs))
        return true;
    listener_.reset();
    return false;
}
