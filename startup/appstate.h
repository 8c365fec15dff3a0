#pragma once
// Process-wide state shared by the windows; touched only from the user-interface thread.
#include <QString>
#include <QStringList>
#include <array>

namespace mod_Main
{

// Base URL of each server line ("http://host[:port]", no trailing slash), fixed at start.
extern std::array<QString, 4> ServerLines;
// Index into ServerLines of the chosen line.
extern qint16 CurLine;
// The member's saved login texts.
extern QString SavedUser;
extern QString SavedPass;

// Fills ServerLines from the build's line addresses (startup/serverlines.cpp, a library of its
// own: the only code that holds them).
void fillServerLines();
// ServerLines[CurLine], or line 0 when CurLine is outside 0..3.
QString currentLineUrl();
// The host names of the four lines, in lower case, each once: the service's own hosts, the only
// ones the saved login is typed into.
QStringList serviceHosts();

} // namespace mod_Main
