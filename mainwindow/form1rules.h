#pragma once
// The main window's small decisions: how a stored box value is taken, which line a stored index
// opens, and whether a tick of the login timer may fill the member page.
#include <QString>
#include <optional>

namespace Form1Rules
{

// State for a box from its stored text: 0, 1 or 2; nothing for an empty value (the box keeps its
// state), for text that is not a number as a whole, and for any other number (a hand-edited file).
// Numbers are rounded half to even ("1.5" gives 2).
std::optional<int> boxStateFromIni(const QString& value);

// The line a stored index opens: 0 to 3 as they are, anything else line 0.
int effectiveLine(qint16 curLine);

// Gates of the login timer, in order: the box not clear, both saved texts present, the page
// complete (ready state 4).
bool loginFillWanted(int mimaState, const QString& savedUser, const QString& savedPass,
                     int readyState);

} // namespace Form1Rules
