#pragma once
// One HTTP GET of a service page, decoded in a named character set ("GB2312" reads as GBK).
// While it waits the user interface keeps processing its events. Requests carry the browser's
// cookies once the browser profile shares them, and take the proxy the program sets (main: the
// desktop's).
#include <QByteArray>
#include <QString>
#include <optional>

class QNetworkCookieJar;

// Bounds of one fetch: a request that takes longer, or a body that grows larger (as sent or as
// decompressed), counts as failed.
struct FetchLimits {
    int timeoutMs = 20000;
    qint64 maxBytes = 1024 * 1024;
};

// The decoded body, "" for an empty body, nothing when the fetch failed. Only a whole answer with
// a 2xx status is the page asked for: an error page ("Service Unavailable"), a body cut off
// before its announced length or its compressed end, one that would not decode, and any other
// error the reply reports make a failed fetch.
std::optional<QString> FetchPageText(const QString& url, const QString& charset);
std::optional<QString> FetchPageText(const QString& url, const QString& charset,
                                     const FetchLimits& limits);

// The fetch's cookies from now on (the fetch takes the jar over); without one they start empty.
void setFetchCookieJar(QNetworkCookieJar* jar);

// The limits the two-argument form uses; tests shorten them.
FetchLimits defaultFetchLimits();
void setDefaultFetchLimits(const FetchLimits& limits);

// Bytes decoded in the character set; undecodable bytes come out as U+FFFD.
QString BytesToText(const QByteArray& bytes, const QString& charset);
