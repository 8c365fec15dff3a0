#include "devservice/listscript.h"

#include "devservice/gbktext.h"

#include <charconv>

namespace
{

const std::string* firstValue(const std::multimap<std::string, std::string>& params,
                              const std::string& key)
{
    auto it = params.find(key);
    return it == params.end() ? nullptr : &it->second;
}

bool readNumber(const std::multimap<std::string, std::string>& params, const std::string& key,
                long long min, long long max, long long& out, std::string& error)
{
    const std::string* text = firstValue(params, key);
    if (!text)
        return true;
    long long value = 0;
    auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (text->empty() || ec != std::errc() || end != text->data() + text->size() || value < min ||
        value > max) {
        error = key + " must be a whole number from " + std::to_string(min) + " to " +
                std::to_string(max) + ", got \"" + *text + "\"";
        return false;
    }
    out = value;
    return true;
}

bool readFlag(const std::multimap<std::string, std::string>& params, const std::string& key,
              bool& out, std::string& error)
{
    const std::string* text = firstValue(params, key);
    if (!text)
        return true;
    if (*text == "1" || *text == "true") {
        out = true;
    } else if (*text == "0" || *text == "false" || text->empty()) {
        out = false;
    } else {
        error = key + " must be 1 or 0, got \"" + *text + "\"";
        return false;
    }
    return true;
}

} // namespace

bool ListScript::isListName(std::string_view name)
{
    return name == "tx" || name == "sxzv";
}

std::optional<ListScript> ListScript::parse(const std::multimap<std::string, std::string>& params,
                                            std::string_view body, std::string& error)
{
    ListScript script;
    long long status = script.status;
    long long delay = 0;
    long long size = -1;
    bool raw = false;
    if (!readNumber(params, "status", 100, 999, status, error) ||
        !readNumber(params, "delay_ms", 0, maxDelayMs, delay, error) ||
        !readNumber(params, "size", 0, static_cast<long long>(maxSize), size, error) ||
        !readFlag(params, "hang", script.hang, error) ||
        !readFlag(params, "reset", script.reset, error) ||
        !readFlag(params, "endless", script.endless, error) || !readFlag(params, "raw", raw, error))
        return std::nullopt;
    script.status = static_cast<int>(status);
    script.delayMs = static_cast<int>(delay);
    if (size >= 0)
        script.size = static_cast<size_t>(size);
    if (raw) {
        script.body = std::string(body);
    } else {
        std::optional<std::string> gbk = GbkText::fromUtf8(body);
        if (!gbk) {
            error = "the body is not UTF-8 text that GBK can carry (send raw=1 for exact bytes)";
            return std::nullopt;
        }
        script.body = std::move(*gbk);
    }
    return script;
}

char ListScript::byteAt(size_t offset) const
{
    return body.empty() ? 'x' : body[offset % body.size()];
}

std::string ListScript::sizedPiece(size_t offset, size_t length) const
{
    std::string piece;
    if (!size || offset >= *size)
        return piece;
    if (length > *size - offset)
        length = *size - offset;
    piece.resize(length);
    for (size_t i = 0; i < length; ++i)
        piece[i] = byteAt(offset + i);
    return piece;
}
