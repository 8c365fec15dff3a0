#include "startup/gbkcodec.h"

#include "startup/iconvconverter.h"

#include <cstring>

namespace
{

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

    IconvConverter cv(IconvConverter::Utf16, "GBK");
    if (!cv.ok())
        return QString::fromLatin1(bytes.data(), bytes.size());
    // A character that is not GBK (or one cut off at the end) becomes one U+FFFD.
    static const char16_t replacement = 0xFFFD;
    const QByteArray utf16 = cv.convert(bytes, [](QByteArrayView rest) {
        return IconvConverter::Replacement{
            charLength(rest, 0), QByteArrayView(reinterpret_cast<const char*>(&replacement), 2)};
    });
    return QString(reinterpret_cast<const QChar*>(utf16.constData()), utf16.size() / 2);
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

    IconvConverter cv("GBK", IconvConverter::Utf16);
    if (!cv.ok())
        return text.toLatin1();
    // A character outside GBK becomes one "?", a surrogate pair counting as one character.
    const QByteArrayView utf16(reinterpret_cast<const char*>(text.constData()), text.size() * 2);
    return cv.convert(utf16, [](QByteArrayView rest) {
        qsizetype skip = 2;
        if (rest.size() >= 4) {
            char16_t hi;
            char16_t lo;
            memcpy(&hi, rest.data(), 2);
            memcpy(&lo, rest.data() + 2, 2);
            if (QChar::isHighSurrogate(hi) && QChar::isLowSurrogate(lo))
                skip = 4;
        }
        return IconvConverter::Replacement{skip, "?"};
    });
}
