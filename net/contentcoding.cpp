#include "net/contentcoding.h"

#include <limits>
#include <zlib.h>

namespace
{

// How the compressed data is framed: gzip (header and checksum), zlib (RFC 1950) or bare deflate.
enum class Framing { Gzip, Zlib, Bare };

// One zlib inflate stream, ended however the decoding ends.
class Inflater
{
public:
    explicit Inflater(Framing framing)
    {
        const int bits = framing == Framing::Gzip   ? 16 + MAX_WBITS
                         : framing == Framing::Zlib ? MAX_WBITS
                                                    : -MAX_WBITS;
        ok_ = inflateInit2(&z_, bits) == Z_OK;
    }
    ~Inflater()
    {
        if (ok_)
            inflateEnd(&z_);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    bool ok() const { return ok_; }
    z_stream& stream() { return z_; }

private:
    z_stream z_{};
    bool ok_ = false;
};

// The whole of data inflated; a gzip body may hold several members, one after the other.
std::optional<QByteArray> inflateAll(const QByteArray& data, Framing framing, qint64 maxBytes)
{
    Inflater inflater(framing);
    if (!inflater.ok() || data.size() > std::numeric_limits<uInt>::max())
        return std::nullopt;
    z_stream& z = inflater.stream();
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    z.avail_in = static_cast<uInt>(data.size());
    QByteArray out;
    char buffer[16 * 1024];
    for (;;) {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        const int rc = inflate(&z, Z_NO_FLUSH);
        const qsizetype produced = static_cast<qsizetype>(sizeof buffer - z.avail_out);
        if (out.size() + produced > maxBytes)
            return std::nullopt;
        out.append(buffer, produced);
        if (rc == Z_STREAM_END) {
            if (z.avail_in == 0)
                return out;
            // More after the end: only gzip may go on, with its next member.
            if (framing != Framing::Gzip || inflateReset(&z) != Z_OK)
                return std::nullopt;
        } else if (rc != Z_OK) {
            // Broken data, or the data ran out before the stream's end (Z_BUF_ERROR).
            return std::nullopt;
        }
    }
}

} // namespace

namespace ContentCoding
{

std::optional<QByteArray> decode(const QByteArray& body, const QByteArray& contentEncoding,
                                 qint64 maxBytes)
{
    const QByteArray coding = contentEncoding.trimmed().toLower();
    if (body.size() > maxBytes)
        return std::nullopt;
    if (coding.isEmpty() || coding == "identity")
        return body;
    if (coding != "gzip" && coding != "x-gzip" && coding != "deflate")
        return std::nullopt; // not asked for: "br", or several codings in a row
    if (body.isEmpty())
        return body;
    if (coding != "deflate")
        return inflateAll(body, Framing::Gzip, maxBytes);
    // "deflate" is zlib-framed by the standard; some servers send the bare stream.
    if (auto framed = inflateAll(body, Framing::Zlib, maxBytes))
        return framed;
    return inflateAll(body, Framing::Bare, maxBytes);
}

} // namespace ContentCoding
