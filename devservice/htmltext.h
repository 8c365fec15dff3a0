#pragma once
// Escaping of text placed into the generated pages.
#include <string>
#include <string_view>

class HtmlText
{
public:
    // Text for element content and double- or single-quoted attribute values.
    static std::string escape(std::string_view text);
    // Text for a query-string value (RFC 3986 unreserved characters stay, the rest is %XX).
    static std::string urlEncode(std::string_view text);
};
