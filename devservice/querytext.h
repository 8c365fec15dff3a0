#pragma once
// Query strings and form bodies ("a=1&b=%E4%B8%AD"), decoded in the order they were sent.
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class QueryText
{
public:
    using Pairs = std::vector<std::pair<std::string, std::string>>;

    // Splits at "&" and the first "=" of each part, decoding %XX and "+" (a blank).
    static Pairs parse(std::string_view text);
    static std::multimap<std::string, std::string> toMap(const Pairs& pairs);
    static std::string decode(std::string_view text);
    // The part of a request target after "?", or empty.
    static std::string queryOf(std::string_view target);
    // The part of a request target before "?".
    static std::string pathOf(std::string_view target);
};
