#include "startup/vbnumber.h"

// Placeholder until the conversion lands.
namespace VbNumber {
double Val(const QString& text) { return text.trimmed().toDouble(); }
std::optional<qint16> toInt16(const QString& text) { return static_cast<qint16>(Val(text)); }
}  // namespace VbNumber
