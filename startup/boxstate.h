#pragma once
// A check box's state as config.ini stores it: the decimal text of 0 (clear), 1 (ticked) or 2
// (greyed). Every window that loads a box from the file reads the text by this one rule.
#include <QString>
#include <optional>

namespace BoxState
{

// The state for a stored text: a number as a whole (blanks around it allowed, "1.5", "1e0" and
// "1D0" read as numbers do, rounded half to even) that is 0, 1 or 2. Nothing for an empty text
// (the box keeps its state) and for anything else a hand-edited file may hold.
std::optional<int> fromIni(const QString& text);

} // namespace BoxState
