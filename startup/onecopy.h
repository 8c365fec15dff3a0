#pragma once
// One copy of the program per member and settings folder, and the way back to it: a start either
// becomes the copy that runs, listening for later starts, or finds the copy that runs and tells
// it to show its window.
//
// The lock file beside the settings (SingleInstance) decides. Where no lock file can be made at
// all (a read-only home, a settings folder the member made read-only, a full disk) the
// second-start channel decides in its place: its name is one process's at a time, so of two
// copies started at once only one listens, and a copy of the member's that answers on it is the
// one that runs. Only when none answers does this start run.
#include "startup/secondstart.h"
#include "startup/singleinstance.h"

#include <memory>

class OneCopy
{
public:
    // Uses the lock file at lockPath; an empty path means SingleInstance::defaultLockPath().
    explicit OneCopy(const QString& lockPath = QString());
    ~OneCopy();
    OneCopy(const OneCopy&) = delete;
    OneCopy& operator=(const OneCopy&) = delete;

    // True when this start is to run. False when another copy of the member's runs; it has been
    // told to show itself (with token), waiting at most tellWaitMs for its answer.
    bool claim(const QString& token, int tellWaitMs);

    // After a successful claim: where later starts ask (nullptr until then).
    SecondStartListener* secondStarts() const { return listener_.get(); }

private:
    SingleInstance lock_;
    std::unique_ptr<SecondStartListener> listener_;
};
