#include "devservice/querytext.h"

namespace
{

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string QueryText::decode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                   hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

QueryText::Pairs QueryText::parse(std::string_view text)
{
    Pairs pairs;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('&', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view part = text.substr(pos, end - pos);
        if (!part.empty()) {
            size_t eq = part.find('=');
            if (eq == std::string_view::npos)
                pairs.emplace_back(decode(part), std::string());
            else
                pairs.emplace_back(decode(part.substr(0, eq)), decode(part.substr(eq + 1)));
        }
        pos = end + 1;
    }
    return pairs;
}

std::multimap<std::string, std::string> QueryText::toMap(const Pairs& pairs)
{
    return {pairs.begin(), pairs.end()};
}

std::string QueryText::queryOf(std::string_view target)
{
    size_t q = target.find('?');
    return q == std::string_view::npos ? std::string() : std::string(target.substr(q + 1));
}

std::string QueryText::pathOf(std::string_view target)
{
    return std::string(target.substr(0, target.find('?')));
}
