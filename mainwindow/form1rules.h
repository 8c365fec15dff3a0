#pragma once
// The main window's small decisions: which line a stored index opens, whether a tick of the
// login timer may fill the member page, and how long a member page that failed waits before it
// is asked for again.
#include <QString>

namespace Form1Rules
{

// The line a stored index opens: 0 to 3 as they are, anything else line 0.
int effectiveLine(qint16 curLine);

// Gates of the login timer, in order: the box not clear, both saved texts present, the page
// complete (ready state 4).
bool loginFillWanted(int mimaState, const QString& savedUser, const QString& savedPass,
                     int readyState);

// The wait before the next attempt at a page that failed `attempt` times in a row (0: the first
// failure): 2 s, doubled each time, at most a minute.
int retryDelayMs(int attempt);

} // namespace Form1Rules
