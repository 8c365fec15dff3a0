#pragma once
// Scoped stand-ins for the windows' process-wide seams. Each takes its seam over for as long as
// it lives and puts the program's own behaviour back when it goes out of scope, pass or fail.
// (The program folder and the settings writer: support/programfolder.h; the browser:
// FakeBrowserFactory in support/fakebrowser.h.)
#include "mainwindow/processend.h"
#include "mainwindow/traycontroller.h"
#include "net/pagefetch.h"
#include "widgets/messagebox.h"

#include <functional>

// Message boxes from a clean start: each asked for is recorded and takes the next answer queued
// with MessageBox::setNextAnswer (a box with no answer queued would really show).
class ScriptedMessageBoxes
{
public:
    ScriptedMessageBoxes() { MessageBox::resetForTesting(); }
    ~ScriptedMessageBoxes() { MessageBox::resetForTesting(); }
    ScriptedMessageBoxes(const ScriptedMessageBoxes&) = delete;
    ScriptedMessageBoxes& operator=(const ScriptedMessageBoxes&) = delete;
};

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

// The page fetch's time and size bounds.
class ScopedFetchLimits
{
public:
    explicit ScopedFetchLimits(const FetchLimits& limits) : saved_(defaultFetchLimits())
    {
        setDefaultFetchLimits(limits);
    }
    ~ScopedFetchLimits() { setDefaultFetchLimits(saved_); }
    ScopedFetchLimits(const ScopedFetchLimits&) = delete;
    ScopedFetchLimits& operator=(const ScopedFetchLimits&) = delete;

private:
    FetchLimits saved_;
};
