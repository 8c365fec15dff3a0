#pragma once
// A scripted answer of one list endpoint, as set through POST /_dev/list.
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

class ListScript
{
public:
    int status = 200;
    int delayMs = 0;            // stall this long before answering
    bool hang = false;          // never answer; hold the connection
    bool reset = false;         // close the connection without an answer
    bool endless = false;       // stream chunks until the client goes away
    std::optional<size_t> size; // answer exactly this many bytes (body repeated or cut)
    std::string body;           // the bytes served

    static constexpr int maxDelayMs = 3600 * 1000;
    static constexpr size_t maxSize = size_t(1) << 31;

    // Builds a script from the control call's query parameters and body. Without raw=1 the body
    // is UTF-8 text that is served as GBK. On a bad parameter, returns nothing and says why.
    static std::optional<ListScript> parse(const std::multimap<std::string, std::string>& params,
                                           std::string_view body, std::string& error);

    // The list names the control call accepts.
    static bool isListName(std::string_view name);

    // Byte `offset` of an answer of `size` bytes: the body repeated, or filler for an empty body.
    char byteAt(size_t offset) const;
    // The bytes [offset, offset + length) of the sized answer.
    std::string sizedPiece(size_t offset, size_t length) const;
};
