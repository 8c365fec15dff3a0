#include "startup/inifile.h"

#include "startup/gbkcodec.h"

#include <cstring>

namespace
{

// What the Windows profile functions trim around names and values.
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v';
}

QByteArrayView trimmed(QByteArrayView v)
{
    qsizetype b = 0;
    qsizetype e = v.size();
    while (b < e && isBlank(v[b]))
        ++b;
    while (e > b && isBlank(v[e - 1]))
        --e;
    return v.sliced(b, e - b);
}

bool isQuote(char c)
{
    return c == '"' || c == '\'';
}

bool hasEnclosingQuotes(QByteArrayView v)
{
    return v.size() >= 2 && isQuote(v.front()) && v.front() == v.back();
}

char foldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// ASCII letters match in either case; the trail byte of a double-byte character is compared as
// it is (it may look like an ASCII letter).
bool sameName(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    qsizetype i = 0;
    while (i < a.size()) {
        const qsizetype len = GbkCodec::charLength(a, i);
        if (len == 2) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1])
                return false;
        } else if (foldAscii(a[i]) != foldAscii(b[i])) {
            return false;
        }
        i += len;
    }
    return true;
}

enum class LineKind { Other, Section, Key };

struct Line {
    qsizetype begin = 0; // first byte of the line
    qsizetype end = 0;   // one past the last byte before the line end
    qsizetype next = 0;  // first byte of the following line
    LineKind kind = LineKind::Other;
    QByteArrayView name;      // section or key name, trimmed
    qsizetype valueBegin = 0; // key lines: first byte after "=" and the blanks after it
};

// Walks the lines of a file. Finds line ends with memchr, remembering the next CR and LF so a
// large file is scanned once.
class LineScanner
{
public:
    explicit LineScanner(QByteArrayView file) : file_(file)
    {
        if (file_.size() >= 3 && memcmp(file_.data(), "\xEF\xBB\xBF", 3) == 0)
            pos_ = 3;
    }

    // keys: whether key lines are wanted; when not, they are reported as Other, which saves
    // searching every line of a large file for "=".
    bool next(Line& line, bool keys = true)
    {
        const qsizetype size = file_.size();
        if (pos_ >= size)
            return false;
        const char* data = file_.data();
        if (!keys && !skipToSectionLine())
            return false;
        if (nextCr_ < pos_)
            nextCr_ = find('\r');
        if (nextLf_ < pos_)
            nextLf_ = find('\n');
        const qsizetype end = std::min(nextCr_, nextLf_);
        qsizetype next = end;
        if (end < size) {
            next = end + 1;
            if (data[end] == '\r' && end + 1 < size && data[end + 1] == '\n')
                next = end + 2;
        }
        line = Line{};
        line.begin = pos_;
        line.end = end;
        line.next = next;
        classify(line, keys);
        pos_ = next;
        return true;
    }

private:
    // Moves to the start of the next line that begins with "[" (after blanks): outside the
    // section of interest nothing else matters, and memchr passes over the rest quickly.
    bool skipToSectionLine()
    {
        const char* data = file_.data();
        const qsizetype size = file_.size();
        qsizetype from = pos_;
        while (from < size) {
            const void* hit = memchr(data + from, '[', static_cast<size_t>(size - from));
            if (!hit)
                break;
            const qsizetype at = static_cast<const char*>(hit) - data;
            qsizetype start = at;
            while (start > pos_ && isBlank(data[start - 1]))
                --start;
            if (start == pos_ || data[start - 1] == '\r' || data[start - 1] == '\n') {
                pos_ = start;
                return true;
            }
            from = at + 1;
        }
        pos_ = size;
        return false;
    }

    qsizetype find(char c) const
    {
        const void* hit = memchr(file_.data() + pos_, c, static_cast<size_t>(file_.size() - pos_));
        return hit ? static_cast<const char*>(hit) - file_.data() : file_.size();
    }

    void classify(Line& line, bool keys) const
    {
        const QByteArrayView text = file_.sliced(line.begin, line.end - line.begin);
        qsizetype i = 0;
        while (i < text.size() && isBlank(text[i]))
            ++i;
        if (i == text.size() || text[i] == ';')
            return;
        if (text[i] == '[') {
            const QByteArrayView rest = text.sliced(i + 1);
            const qsizetype close = rest.indexOf(']');
            line.kind = LineKind::Section;
            line.name = trimmed(close < 0 ? rest : rest.first(close));
            return;
        }
        if (!keys)
            return;
        const qsizetype eq = text.indexOf('=');
        if (eq < 0)
            return;
        line.kind = LineKind::Key;
        line.name = trimmed(text.first(eq));
        qsizetype v = eq + 1;
        while (v < text.size() && isBlank(text[v]))
            ++v;
        line.valueBegin = line.begin + v;
    }

    QByteArrayView file_;
    qsizetype pos_ = 0;
    qsizetype nextCr_ = -1;
    qsizetype nextLf_ = -1;
};

bool validSection(QByteArrayView s)
{
    const QByteArrayView t = trimmed(s);
    return !t.isEmpty() && !s.contains('\r') && !s.contains('\n') && !s.contains('\0') &&
           !s.contains(']');
}

bool validKey(QByteArrayView k)
{
    const QByteArrayView t = trimmed(k);
    return !t.isEmpty() && t.front() != '[' && t.front() != ';' && !k.contains('\r') &&
           !k.contains('\n') && !k.contains('\0') && !k.contains('=');
}

bool endsWithLineEnd(QByteArrayView v)
{
    return !v.isEmpty() && (v.back() == '\n' || v.back() == '\r');
}

} // namespace

std::optional<QByteArray> IniFile::readValue(QByteArrayView file, QByteArrayView section,
                                             QByteArrayView key)
{
    const QByteArrayView wantSection = trimmed(section);
    const QByteArrayView wantKey = trimmed(key);
    LineScanner scanner(file);
    Line line;
    bool inSection = false;
    bool seenSection = false;
    while (scanner.next(line, inSection)) {
        if (line.kind == LineKind::Section) {
            if (inSection)
                return std::nullopt; // only the first section of that name counts
            if (!seenSection && sameName(line.name, wantSection)) {
                inSection = true;
                seenSection = true;
            }
        } else if (line.kind == LineKind::Key && inSection && sameName(line.name, wantKey)) {
            QByteArrayView value =
                trimmed(file.sliced(line.valueBegin, line.end - line.valueBegin));
            if (hasEnclosingQuotes(value))
                value = value.sliced(1, value.size() - 2);
            return value.toByteArray();
        }
    }
    return std::nullopt;
}

QByteArray IniFile::encodeValue(QByteArrayView value)
{
    QByteArray clean;
    clean.reserve(value.size() + 2);
    for (char c : value) {
        if (c != '\r' && c != '\n' && c != '\0')
            clean.append(c);
    }
    if (!clean.isEmpty() &&
        (isBlank(clean.front()) || isBlank(clean.back()) || hasEnclosingQuotes(clean)))
        return '"' + clean + '"';
    return clean;
}

QByteArray IniFile::writeValue(QByteArrayView file, QByteArrayView section, QByteArrayView key,
                               QByteArrayView value)
{
    if (!validSection(section) || !validKey(key))
        return file.toByteArray();

    const QByteArrayView wantSection = trimmed(section);
    const QByteArrayView wantKey = trimmed(key);
    const QByteArray encoded = encodeValue(value);

    LineScanner scanner(file);
    Line line;
    bool inSection = false;
    bool seenSection = false;
    qsizetype insertAt = -1; // after the section header or its last key line
    while (scanner.next(line, inSection)) {
        if (line.kind == LineKind::Section) {
            if (inSection)
                break;
            if (!seenSection && sameName(line.name, wantSection)) {
                inSection = true;
                seenSection = true;
                insertAt = line.next;
            }
        } else if (line.kind == LineKind::Key && inSection) {
            if (sameName(line.name, wantKey)) {
                QByteArray out;
                out.reserve(file.size() + encoded.size() + 2);
                out.append(file.first(line.valueBegin));
                out.append(encoded);
                out.append("\r\n");
                out.append(file.sliced(line.next));
                return out;
            }
            insertAt = line.next;
        }
    }

    QByteArray out;
    out.reserve(file.size() + wantSection.size() + wantKey.size() + encoded.size() + 8);
    if (seenSection) {
        const QByteArrayView before = file.first(insertAt);
        out.append(before);
        if (!before.isEmpty() && !endsWithLineEnd(before))
            out.append("\r\n");
        out.append(wantKey).append('=').append(encoded).append("\r\n");
        out.append(file.sliced(insertAt));
        return out;
    }
    out.append(file);
    if (!file.isEmpty() && !endsWithLineEnd(file))
        out.append("\r\n");
    out.append('[').append(wantSection).append("]\r\n");
    out.append(wantKey).append('=').append(encoded).append("\r\n");
    return out;
}

QByteArray IniFile::cutValue(QByteArrayView value, qsizetype maxBytes)
{
    if (value.size() <= maxBytes)
        return value.toByteArray();
    qsizetype i = 0;
    while (i < value.size()) {
        const qsizetype len = GbkCodec::charLength(value, i);
        if (i + len > maxBytes)
            break;
        i += len;
    }
    return value.first(i).toByteArray();
}
