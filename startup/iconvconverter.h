#pragma once
// One conversion between two character sets through iconv, owned for the life of the object
// (iconv keeps state, so a descriptor serves one caller). convert() takes the whole input and
// grows its output as it needs; a sequence that cannot be converted is handed to the caller's
// rule, which says how many bytes to pass over and what to write in their place.
#include <QByteArray>
#include <QByteArrayView>
#include <functional>

class IconvConverter
{
public:
    // UTF-16 in the machine's byte order: the layout of QString's characters.
    static const char* const Utf16;

    struct Replacement {
        qsizetype skip = 1;   // input bytes passed over
        QByteArrayView bytes; // written in their place
    };
    // Called with the rest of the input, from the first byte that cannot be converted (an
    // invalid sequence, or one cut off at the end).
    using InvalidRule = std::function<Replacement(QByteArrayView rest)>;

    IconvConverter(const char* to, const char* from);
    ~IconvConverter();
    IconvConverter(const IconvConverter&) = delete;
    IconvConverter& operator=(const IconvConverter&) = delete;

    // False when iconv does not know one of the two names.
    bool ok() const;
    QByteArray convert(QByteArrayView input, const InvalidRule& onInvalid);

private:
    void* cd_; // iconv_t
};
