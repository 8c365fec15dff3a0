#pragma once
// Conversion between UTF-8 and the service's GBK bytes (a superset of GB2312), via iconv.
#include <optional>
#include <string>
#include <string_view>

class GbkText
{
public:
    // UTF-8 text to GBK bytes; nothing when the text is not valid UTF-8 or holds a character
    // that GBK cannot carry.
    static std::optional<std::string> fromUtf8(std::string_view utf8);
    // GBK bytes to UTF-8 text; nothing when the bytes are not valid GBK.
    static std::optional<std::string> toUtf8(std::string_view gbk);

private:
    static std::optional<std::string> convert(const char* to, const char* from,
                                              std::string_view input);
};
