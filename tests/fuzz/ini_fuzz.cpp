// Any bytes as config.ini: read keys from it, write one key, and check what the write did.
//
// Input: section, key and value (libFuzzer's escaped strings), the file's bytes, and at the end a
// byte that may replace the section or key by a name taken from the file itself (so the write
// often lands on an existing section or key).
//
// Checked for every input:
// - the written key reads back as the value given (line breaks and NUL bytes dropped);
// - every other line of the file keeps its bytes, line end included: the write replaced the
//   value of one key line, inserted one key line, or appended one section with its key line; the
//   only other change allowed is a line end added to a last line that had none;
// - keys other than the written one read as before;
// - a name that cannot be written leaves the file as it was.
#include "startup/inifile.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace
{

void require(bool ok, const char* what)
{
    if (!ok) {
        fprintf(stderr, "ini_fuzz: %s\n", what);
        abort();
    }
}

struct RawLine {
    QByteArrayView text; // without its line end
    QByteArrayView end;  // CRLF, CR, LF, or empty for a last line without one
    bool operator==(const RawLine& o) const { return text == o.text && end == o.end; }
};

std::vector<RawLine> splitLines(QByteArrayView f)
{
    std::vector<RawLine> out;
    qsizetype i = 0;
    while (i < f.size()) {
        qsizetype j = i;
        while (j < f.size() && f[j] != '\r' && f[j] != '\n')
            ++j;
        qsizetype k = j;
        if (k < f.size())
            k += (f[k] == '\r' && k + 1 < f.size() && f[k + 1] == '\n') ? 2 : 1;
        out.push_back({f.sliced(i, j - i), f.sliced(j, k - j)});
        i = k;
    }
    return out;
}

QByteArrayView trimmed(QByteArrayView v)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\v'; };
    while (!v.isEmpty() && blank(v.front()))
        v = v.sliced(1);
    while (!v.isEmpty() && blank(v.back()))
        v.chop(1);
    return v;
}

// ASCII case folded over every byte: looser than the reader's rule (which leaves the trail byte
// of a double-byte character alone), so it may only be used to skip a comparison.
bool maybeSameName(QByteArrayView a, QByteArrayView b)
{
    a = trimmed(a);
    b = trimmed(b);
    return a.size() == b.size() &&
           QByteArray(a.data(), a.size()).toLower() == QByteArray(b.data(), b.size()).toLower();
}

bool hasAny(QByteArrayView v, const char* bytes, int n)
{
    for (int i = 0; i < n; ++i) {
        if (v.contains(bytes[i]))
            return true;
    }
    return false;
}

bool unwritableSection(QByteArrayView s)
{
    return trimmed(s).isEmpty() || hasAny(s, "\r\n\0]", 4);
}

bool unwritableKey(QByteArrayView k)
{
    const QByteArrayView t = trimmed(k);
    return t.isEmpty() || t.front() == '[' || t.front() == ';' || hasAny(k, "\r\n\0=", 4);
}

QByteArray withoutLineBreaks(QByteArrayView v)
{
    QByteArray out;
    for (char c : v) {
        if (c != '\r' && c != '\n' && c != '\0')
            out.append(c);
    }
    return out;
}

struct Probe {
    QByteArrayView section;
    QByteArrayView key;
};

// Section and key names as a reader of the file would see them (roughly; the reader decides).
std::vector<Probe> probesOf(const std::vector<RawLine>& lines,
                            std::vector<QByteArrayView>& sections)
{
    std::vector<Probe> probes;
    QByteArrayView section;
    for (const RawLine& l : lines) {
        const QByteArrayView t = trimmed(l.text);
        if (t.startsWith('[')) {
            const qsizetype close = t.indexOf(']');
            section = close < 0 ? t.sliced(1) : t.sliced(1, close - 1);
            sections.push_back(section);
        } else if (!t.startsWith(';') && t.contains('=') && probes.size() < 16) {
            probes.push_back({section, t.first(t.indexOf('='))});
        }
    }
    return probes;
}

// The file's lines with one line inserted at some index, or one line changed in place; the rest
// equal, a missing last line end possibly added.
void checkLines(QByteArrayView file, QByteArrayView out, QByteArrayView section, QByteArrayView key,
                const QByteArray& encoded)
{
    const std::vector<RawLine> a = splitLines(file);
    const std::vector<RawLine> b = splitLines(out);
    const QByteArrayView crlf("\r\n");

    size_t d = 0;
    while (d < a.size() && d < b.size() && a[d] == b[d])
        ++d;
    require(d < b.size(), "the written file lost lines");

    if (b.size() == a.size()) {
        // A key's value replaced: the line keeps everything up to its value.
        const RawLine& was = a[d];
        const RawLine& now = b[d];
        require(now.end == crlf, "an edited line does not end in CRLF");
        require(now.text.endsWith(encoded), "an edited line does not end in the value");
        const QByteArrayView kept = now.text.first(now.text.size() - encoded.size());
        require(was.text.startsWith(kept) && kept.contains('='),
                "an edited line lost its key spelling");
        for (size_t i = d + 1; i < a.size(); ++i)
            require(a[i] == b[i], "a line after the edited one changed");
        return;
    }

    // A last line without a line end may get one before something is added after it.
    if (d + 1 == a.size() && a[d].end.isEmpty() && b[d].text == a[d].text && b[d].end == crlf)
        ++d;
    require(d < b.size(), "the written file lost lines");
    const QByteArray keyLine = trimmed(key).toByteArray() + '=' + encoded;

    if (b.size() == a.size() + 1) {
        require(b[d].text == keyLine && b[d].end == crlf, "an inserted line is not key=value");
        for (size_t i = d; i < a.size(); ++i)
            require(a[i] == b[i + 1], "a line after the inserted one changed");
        return;
    }

    require(b.size() == a.size() + 2 && d == a.size(), "the write changed more than one line");
    const QByteArray header = '[' + trimmed(section).toByteArray() + ']';
    require(b[d].text == header && b[d].end == crlf, "an appended section header is wrong");
    require(b[d + 1].text == keyLine && b[d + 1].end == crlf, "an appended key line is wrong");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const std::string sectionIn = in.ConsumeRandomLengthString(40);
    const std::string keyIn = in.ConsumeRandomLengthString(40);
    const std::string valueIn = in.ConsumeRandomLengthString(80);
    const uint8_t pick = in.ConsumeIntegral<uint8_t>();
    const std::vector<uint8_t> fileIn = in.ConsumeRemainingBytes<uint8_t>();
    const QByteArrayView file(reinterpret_cast<const char*>(fileIn.data()),
                              static_cast<qsizetype>(fileIn.size()));

    const std::vector<RawLine> lines = splitLines(file);
    std::vector<QByteArrayView> sections;
    const std::vector<Probe> probes = probesOf(lines, sections);

    QByteArrayView section(sectionIn.data(), static_cast<qsizetype>(sectionIn.size()));
    QByteArrayView key(keyIn.data(), static_cast<qsizetype>(keyIn.size()));
    const QByteArrayView value(valueIn.data(), static_cast<qsizetype>(valueIn.size()));
    if ((pick & 1) && !sections.empty())
        section = sections[(pick >> 2) % sections.size()];
    if ((pick & 2) && !probes.empty())
        key = probes[(pick >> 4) % probes.size()].key;

    // Reading: whatever comes back is at most a value-length cut that does not split a
    // character.
    std::vector<std::optional<QByteArray>> before;
    for (const Probe& p : probes)
        before.push_back(IniFile::readValue(file, p.section, p.key));
    if (const auto v = IniFile::readValue(file, section, key)) {
        const QByteArray cut = IniFile::cutValue(*v);
        require(cut.size() <= IniFile::kMaxValueBytes && v->startsWith(cut),
                "a cut value is not a short prefix");
    }

    const QByteArray out = IniFile::writeValue(file, section, key, value);

    if (unwritableSection(section) || unwritableKey(key)) {
        require(out == file, "an unwritable name changed the file");
        return 0;
    }
    const auto back = IniFile::readValue(out, section, key);
    require(back && *back == withoutLineBreaks(value), "the written key does not read back");
    if (out != file)
        checkLines(file, out, section, key, IniFile::encodeValue(value));
    for (size_t i = 0; i < probes.size(); ++i) {
        if (maybeSameName(probes[i].section, section) && maybeSameName(probes[i].key, key))
            continue;
        require(IniFile::readValue(out, probes[i].section, probes[i].key) == before[i],
                "another key reads differently after the write");
    }
    return 0;
}
