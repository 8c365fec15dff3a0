#pragma once
// Scripted message boxes for one test: the program's process-wide box seam from a clean start,
// put back when the test ends, pass or fail.
#include "widgets/messagebox.h"

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
