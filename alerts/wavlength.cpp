#include "alerts/wavlength.h"

#include <QtEndian>

namespace WavLength
{

namespace
{
quint32 u32(const QByteArray& b, qint64 at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}
} // namespace

std::optional<qint64> durationMs(const QByteArray& bytes, qint64 fileSize)
{
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return std::nullopt;
    quint32 byteRate = 0;
    qint64 at = 12;
    while (at + 8 <= bytes.size()) {
        const QByteArray id = bytes.mid(at, 4);
        const quint32 size = u32(bytes, at + 4);
        const qint64 body = at + 8;
        if (id == "fmt ") {
            if (size < 16 || body + 16 > bytes.size())
                return std::nullopt;
            byteRate = u32(bytes, body + 8);
        } else if (id == "data") {
            if (byteRate == 0)
                return std::nullopt;
            // A header may claim more data than the file holds; only what is there plays.
            const qint64 available = qMax<qint64>(0, fileSize - body);
            const qint64 dataBytes = qMin<qint64>(size, available);
            return dataBytes * 1000 / byteRate;
        }
        at = body + size + (size & 1);
    }
    return std::nullopt;
}

} // namespace WavLength
