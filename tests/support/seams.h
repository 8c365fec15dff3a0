#pragma once
// Scoped stand-ins for the main window's process-wide seams, the tray and the program's end. Each
// takes its seam over for as long as it lives and puts the program's own behaviour back when it
// goes out of scope, pass or fail. (The others: support/programfolder.h, messageboxes.h,
// fetchlimits.h, and FakeBrowserFactory in fakebrowser.h.)
#include "mainwindow/processend.h"
#include "mainwindow/traycontroller.h"

#include <functional>

// Whether a notification area is there.
class ScopedTrayAvailability
{
public:
    explicit ScopedTrayAvailability(bool available)
    {
        TrayController::setAvailableForTesting(available);
    }
    ~ScopedTrayAvailability() { TrayController::setAvailableForTesting(std::nullopt); }
    void set(bool available) { TrayController::setAvailableForTesting(available); }
    ScopedTrayAvailability(const ScopedTrayAvailability&) = delete;
    ScopedTrayAvailability& operator=(const ScopedTrayAvailability&) = delete;
};

// The program's end: counted instead of ending the test.
class CountedProcessEnd
{
public:
    CountedProcessEnd()
    {
        ProcessEnd::setHandlerForTesting([this] { ++count; });
    }
    ~CountedProcessEnd() { ProcessEnd::setHandlerForTesting({}); }
    CountedProcessEnd(const CountedProcessEnd&) = delete;
    CountedProcessEnd& operator=(const CountedProcessEnd&) = delete;
    int count = 0;
};
