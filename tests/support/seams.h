#pragma once
// Scoped stand-ins for the main window's process-wide seams, the tray and the program's end. Each
// takes its seam over for as long as it lives and puts the program's own behaviour back when it
// goes out of scope, pass or fail. (The others: support/programfolder.h, messageboxes.h,
// fetchlimits.h, and FakeBrowserFactory in fakebrowser.h.)
#include "mainwindow/processend.h"
#include "tray/traycontroller.h"

#include <functional>

// Whether the program's icon is shown in a notification area.
class ScopedTrayShown
{
public:
    explicit ScopedTrayShown(bool shown) { TrayController::setShownForTesting(shown); }
    ~ScopedTrayShown() { TrayController::setShownForTesting(std::nullopt); }
    void set(bool shown) { TrayController::setShownForTesting(shown); }
    ScopedTrayShown(const ScopedTrayShown&) = delete;
    ScopedTrayShown& operator=(const ScopedTrayShown&) = delete;
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
