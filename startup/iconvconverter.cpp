#include "startup/iconvconverter.h"

#include <cerrno>
#include <iconv.h>

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
const char* const IconvConverter::Utf16 = "UTF-16LE";
#else
const char* const IconvConverter::Utf16 = "UTF-16BE";
#endif

namespace
{

iconv_t handle(void* cd)
{
    return static_cast<iconv_t>(cd);
}

const iconv_t kFailed = reinterpret_cast<iconv_t>(-1);

} // namespace

IconvConverter::IconvConverter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}

IconvConverter::~IconvConverter()
{
    if (ok())
        iconv_close(handle(cd_));
}

bool IconvConverter::ok() const
{
    return handle(cd_) != kFailed;
}

QByteArray IconvConverter::convert(QByteArrayView input, const InvalidRule& onInvalid)
{
    // Two output bytes an input byte covers every conversion made here (GBK to UTF-16 at most
    // doubles, the other way round shrinks); the buffer grows when that is wrong.
    QByteArray out(input.size() * 2 + 16, Qt::Uninitialized);
    char* in = const_cast<char*>(input.data());
    size_t inLeft = static_cast<size_t>(input.size());
    qsizetype used = 0;
    const auto room = [&](qsizetype wanted) {
        if (out.size() - used < wanted)
            out.resize(std::max(out.size() * 2, used + wanted));
    };
    while (inLeft > 0) {
        char* outPtr = out.data() + used;
        size_t outLeft = static_cast<size_t>(out.size() - used);
        const size_t rc = iconv(handle(cd_), &in, &inLeft, &outPtr, &outLeft);
        used = outPtr - out.data();
        if (rc != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG) {
            room(out.size());
            continue;
        }
        // EILSEQ (a bad or unassigned sequence) or EINVAL (one cut off at the end).
        const Replacement r = onInvalid(QByteArrayView(in, static_cast<qsizetype>(inLeft)));
        const size_t skip = std::min(static_cast<size_t>(std::max<qsizetype>(r.skip, 1)), inLeft);
        room(r.bytes.size());
        std::copy(r.bytes.begin(), r.bytes.end(), out.data() + used);
        used += r.bytes.size();
        in += skip;
        inLeft -= skip;
        iconv(handle(cd_), nullptr, nullptr, nullptr, nullptr);
    }
    out.truncate(used);
    return out;
}
