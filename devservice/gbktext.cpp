#include "devservice/gbktext.h"

#include <cerrno>
#include <iconv.h>

std::optional<std::string> GbkText::fromUtf8(std::string_view utf8)
{
    return convert("GBK", "UTF-8", utf8);
}

std::optional<std::string> GbkText::toUtf8(std::string_view gbk)
{
    return convert("UTF-8", "GBK", gbk);
}

std::optional<std::string> GbkText::convert(const char* to, const char* from,
                                            std::string_view input)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::string out;
    out.resize(input.size() * 2 + 16);
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    size_t done = 0;
    bool ok = true;
    while (inLeft > 0) {
        char* outPtr = out.data() + done;
        size_t outLeft = out.size() - done;
        size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        done = out.size() - outLeft;
        if (rc != static_cast<size_t>(-1))
            continue;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
            continue;
        }
        ok = false; // EILSEQ or EINVAL: a byte sequence the other side cannot carry
        break;
    }
    iconv_close(cd);
    if (!ok)
        return std::nullopt;
    out.resize(done);
    return out;
}
