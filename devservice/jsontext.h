#pragma once
// The small pieces of JSON and base64 the request log needs.
#include <string>
#include <string_view>

class JsonText
{
public:
    // A JSON string literal (quotes included). Bytes that are not valid UTF-8 become U+FFFD.
    static std::string quote(std::string_view text);
    static bool isValidUtf8(std::string_view bytes);
    static std::string base64(std::string_view bytes);

private:
    // Length of the valid UTF-8 sequence starting at bytes[pos], 0 when it is not one.
    static size_t sequenceLength(std::string_view bytes, size_t pos);
};
