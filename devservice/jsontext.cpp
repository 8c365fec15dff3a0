#include "devservice/jsontext.h"

#include <cstdio>

size_t JsonText::sequenceLength(std::string_view bytes, size_t pos)
{
    auto at = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    unsigned char c = at(pos);
    if (c < 0x80)
        return 1;
    size_t len = 0;
    unsigned min = 0;
    unsigned cp = 0;
    if ((c & 0xE0) == 0xC0) {
        len = 2;
        min = 0x80;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3;
        min = 0x800;
        cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4;
        min = 0x10000;
        cp = c & 0x07;
    } else {
        return 0;
    }
    if (pos + len > bytes.size())
        return 0;
    for (size_t i = 1; i < len; ++i) {
        unsigned char cc = at(pos + i);
        if ((cc & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (cc & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return len;
}

bool JsonText::isValidUtf8(std::string_view bytes)
{
    for (size_t pos = 0; pos < bytes.size();) {
        size_t len = sequenceLength(bytes, pos);
        if (len == 0)
            return false;
        pos += len;
    }
    return true;
}

std::string JsonText::quote(std::string_view text)
{
    std::string out = "\"";
    for (size_t pos = 0; pos < text.size();) {
        size_t len = sequenceLength(text, pos);
        if (len == 0) {
            out += "\\ufffd";
            ++pos;
            continue;
        }
        if (len > 1) {
            out.append(text.substr(pos, len));
            pos += len;
            continue;
        }
        char c = text[pos++];
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned char>(c));
                out += buf;
            } else {
                out += c;
            }
        }
    }
    out += '"';
    return out;
}

std::string JsonText::base64(std::string_view bytes)
{
    static const char table[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    auto b = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
    for (; i + 2 < bytes.size(); i += 3) {
        unsigned v = (b(i) << 16) | (b(i + 1) << 8) | b(i + 2);
        out += table[(v >> 18) & 63];
        out += table[(v >> 12) & 63];
        out += table[(v >> 6) & 63];
        out += table[v & 63];
    }
    size_t rest = bytes.size() - i;
    if (rest == 1) {
        unsigned v = b(i) << 16;
        out += table[(v >> 18) & 63];
        out += table[(v >> 12) & 63];
        out += "==";
    } else if (rest == 2) {
        unsigned v = (b(i) << 16) | (b(i + 1) << 8);
        out += table[(v >> 18) & 63];
        out += table[(v >> 12) & 63];
        out += table[(v >> 6) & 63];
        out += '=';
    }
    return out;
}
