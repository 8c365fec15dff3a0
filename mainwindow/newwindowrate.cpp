#include "mainwindow/newwindowrate.h"

bool NewWindowRate::allow(bool userInitiated)
{
    if (userInitiated) {
        memberInput();
        return true;
    }
    if (unrequested_ >= kMaxUnrequested)
        return false;
    ++unrequested_;
    return true;
}

void NewWindowRate::memberInput()
{
    unrequested_ = 0;
}
