#pragma once
// One HTTP GET of a service page, decoded in a named character set ("GB2312" reads as GBK).
// While it waits the user interface keeps processing its events.
#include <QByteArray>
#include <QString>
#include <optional>

// The decoded body, "" for an empty body, nothing when the fetch failed.
std::optional<QString> FetchPageText(const QString& url, const QString& charset);

// Bytes decoded in the character set; undecodable bytes come out as U+FFFD.
QString BytesToText(const QByteArray& bytes, const QString& charset);
