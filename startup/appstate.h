#pragma once
// Process-wide state shared by the windows; touched only from the user-interface thread.
#include <QString>
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

// Fills ServerLines from the build's line addresses.
void fillServerLines();
// ServerLines[CurLine], or line 0 when CurLine is outside 0..3.
QString currentLineUrl();

} // namespace mod_Main
