#pragma once
// An HTTP body as its Content-Encoding left it, decoded: identity, gzip or deflate. A compressed
// body counts only when it is whole: one that breaks off before its end (and, for gzip, its
// checksum) is not the page that was sent.
#include <QByteArray>
#include <optional>

namespace ContentCoding
{

// The codings a request says it accepts: exactly those decode() reads.
inline constexpr char kAccepted[] = "gzip, deflate";

// The decoded body. Nothing when the coding is not one of kAccepted, the data is broken or cut
// off, or the decoded body would be larger than maxBytes. An empty body stays empty.
std::optional<QByteArray> decode(const QByteArray& body, const QByteArray& contentEncoding,
                                 qint64 maxBytes);

} // namespace ContentCoding
