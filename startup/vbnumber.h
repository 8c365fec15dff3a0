#pragma once
// Text-to-number conversion of stored settings: the leading numeric part of the text (blanks
// skipped, no number gives 0), rounded to the nearest whole number with halves to the even
// neighbour, in the signed 16-bit range.
#include <QString>
#include <optional>

namespace VbNumber
{

// Numeric value of the leading numeric part of text; 0 when there is none. Blanks, tabs and line
// feeds are skipped wherever they appear; then an optional sign, digits with at most one decimal
// point, and an optional exponent ("E" or "D", optional sign, digits). Reading stops at the first
// other character. A number too large for a double gives infinity.
double Val(const QString& text);

// Val rounded half-to-even; nothing when the result is outside -32768..32767.
std::optional<qint16> toInt16(const QString& text);

// Strict conversion for a value that must be a number as a whole (a stored check-box state):
// blanks around it are allowed, anything else that is not part of the number gives nothing, as
// does an empty text. Rounded half-to-even; nothing outside -32768..32767.
std::optional<qint16> toInt16Strict(const QString& text);

} // namespace VbNumber
