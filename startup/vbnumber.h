#pragma once
// Text-to-number conversion of stored settings: the leading numeric part of the text (blanks
// skipped, no number gives 0), rounded to the nearest whole number with halves to the even
// neighbour, in the signed 16-bit range.
#include <QString>
#include <optional>

namespace VbNumber {

// Numeric value of the leading numeric part of text; 0 when there is none.
double Val(const QString& text);

// Val rounded half-to-even; nothing when the result is outside -32768..32767.
std::optional<qint16> toInt16(const QString& text);

}  // namespace VbNumber
