#pragma once
// The list addresses the polls fetch: base URL + endpoint + "?s=" + the local date and time.
#include <QDateTime>
#include <QString>

namespace RequestUrl
{

// "2008-5-17 9:03:27" with the blank sent as "%20" (a raw blank is not valid in a request line).
QString stamp(const QDateTime& now);

// base + "/nc/tx.asp?s=" + stamp
QString messageList(const QString& base, const QDateTime& now);

// base + "/nc/tx_sxzv.asp?s=" + stamp
QString seriesList(const QString& base, const QDateTime& now);

} // namespace RequestUrl
