#include "net/pagefetch.h"

// Placeholder until the fetch lands.
std::optional<QString> FetchPageText(const QString&, const QString&) { return std::nullopt; }
QString BytesToText(const QByteArray& bytes, const QString&) { return QString::fromLatin1(bytes); }
