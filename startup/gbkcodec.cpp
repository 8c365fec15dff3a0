#include "startup/gbkcodec.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace
{

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr const char* kUtf16 = "UTF-16LE";
#else
constexpr const char* kUtf16 = "UTF-16BE";
#endif

bool isAscii(QByteArrayView bytes)
{
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

bool isLead(unsigned char c)
{
    return c >= 0x81 && c <= 0xFE;
}

bool isTrail(unsigned char c)
{
    return c >= 0x40 && c <= 0xFE && c != 0x7F;
}

// One conversion descriptor per call: iconv state is not shareable between callers.
class Iconv
{
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv()
    {
        if (ok())
            iconv_close(cd_);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

} // namespace

qsizetype GbkCodec::charLength(QByteArrayView bytes, qsizetype pos)
{
    if (pos + 1 < bytes.size() && isLead(static_cast<unsigned char>(bytes[pos])) &&
        isTrail(static_cast<unsigned char>(bytes[pos + 1])))
        return 2;
    return 1;
}

QString GbkCodec::decode(QByteArrayView bytes)
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes.data(), bytes.size());

    Iconv cv(kUtf16, "GBK");
    if (!cv.ok())
        return QString::fromLatin1(bytes.data(), bytes.size());

    // Every GBK character is one or two bytes and maps into the BMP, so the output never has
    // more UTF-16 units than the input has bytes; the buffer still grows if that ever fails.
    QString out(bytes.size() + 1, Qt::Uninitialized);
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = static_cast<size_t>(bytes.size());
    char* outBase = reinterpret_cast<char*>(out.data());
    char* outPtr = outBase;
    size_t outLeft = static_cast<size_t>(out.size()) * 2;

    auto putReplacement = [&]() {
        if (outLeft < 2) {
            const qsizetype used = (outPtr - outBase) / 2;
            out.resize(out.size() * 2);
            outBase = reinterpret_cast<char*>(out.data());
            outPtr = outBase + used * 2;
            outLeft = static_cast<size_t>(out.size() - used) * 2;
        }
        const char16_t r = 0xFFFD;
        memcpy(outPtr, &r, 2);
        outPtr += 2;
        outLeft -= 2;
    };

    while (inLeft > 0) {
        const size_t rc = iconv(cv.get(), &in, &inLeft, &outPtr, &outLeft);
        if (rc != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG) {
            const qsizetype used = (outPtr - outBase) / 2;
            out.resize(out.size() * 2);
            outBase = reinterpret_cast<char*>(out.data());
            outPtr = outBase + used * 2;
            outLeft = static_cast<size_t>(out.size() - used) * 2;
            continue;
        }
        // EILSEQ (bad or unassigned code) or EINVAL (a lead byte at the very end).
        const QByteArrayView rest(in, static_cast<qsizetype>(inLeft));
        const qsizetype skip = charLength(rest, 0);
        putReplacement();
        in += skip;
        inLeft -= static_cast<size_t>(skip);
        iconv(cv.get(), nullptr, nullptr, nullptr, nullptr);
    }
    out.truncate((outPtr - outBase) / 2);
    return out;
}

QByteArray GbkCodec::encode(const QString& text)
{
    bool ascii = true;
    for (QChar c : text) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii)
        return text.toLatin1();

    Iconv cv("GBK", kUtf16);
    if (!cv.ok())
        return text.toLatin1();

    QByteArray out(text.size() * 2 + 2, Qt::Uninitialized);
    char* in = reinterpret_cast<char*>(const_cast<QChar*>(text.constData()));
    size_t inLeft = static_cast<size_t>(text.size()) * 2;
    char* outPtr = out.data();
    size_t outLeft = static_cast<size_t>(out.size());

    while (inLeft > 0) {
        const size_t rc = iconv(cv.get(), &in, &inLeft, &outPtr, &outLeft);
        if (rc != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG) {
            const qsizetype used = outPtr - out.data();
            out.resize(out.size() * 2);
            outPtr = out.data() + used;
            outLeft = static_cast<size_t>(out.size() - used);
            continue;
        }
        // A character outside GBK: one "?" for it, a surrogate pair counting as one character.
        size_t skip = 2;
        if (inLeft >= 4) {
            char16_t hi;
            char16_t lo;
            memcpy(&hi, in, 2);
            memcpy(&lo, in + 2, 2);
            if (QChar::isHighSurrogate(hi) && QChar::isLowSurrogate(lo))
                skip = 4;
        }
        if (outLeft < 1) {
            const qsizetype used = outPtr - out.data();
            out.resize(out.size() * 2);
            outPtr = out.data() + used;
            outLeft = static_cast<size_t>(out.size() - used);
        }
        *outPtr++ = '?';
        --outLeft;
        in += skip;
        inLeft -= skip;
        iconv(cv.get(), nullptr, nullptr, nullptr, nullptr);
    }
    out.truncate(outPtr - out.data());
    return out;
}
