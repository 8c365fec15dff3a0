#pragma once
// What the polls read and call at poll time; the main window provides it.
#include <QString>

class PollHost
{
public:
    virtual ~PollHost() = default;
    // Box states: 0 clear, 1 checked, 2 greyed; only 1 counts as checked.
    virtual int check1State() = 0;   // popup master switch
    virtual int check2State() = 0;   // series gate
    virtual int shengyinState() = 0; // sound master switch
    // State of a category box of Dialog1 by name ("zvzc", ...); loads the dialog hidden.
    virtual int categoryState(const QString& boxName) = 0;
    virtual void ShowMsn(const QString& ZuName, const QString& Ziname, const QString& ZiUrl) = 0;
    virtual void PlayWavFile(const QString& strFileName, int PlayCount, int JianGe) = 0;
    // The running-time limit: end the process at once, no unload events.
    virtual void endProgram() = 0;
};
