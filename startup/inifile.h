#pragma once
// The private-profile INI rules over a file's raw bytes (code page 936 text, names as bytes).
//
// Reading: section and key names match without regard to ASCII letter case (the bytes of a
// double-byte character are compared as they are), blanks (space, tab, vertical tab) around names
// and values are ignored, one pair of matching enclosing quotes (' or ") is removed from a value,
// the first of duplicate sections or keys wins, lines starting with ";" are comments, lines without
// "=" are ignored, and CR, LF and CRLF all end a line. A UTF-8 byte-order mark at the start is
// skipped.
//
// Writing edits in place: every other byte of the file stays as it is. An existing key keeps its
// line and spelling and only its value changes; a new key goes after the last key line of its
// section; a new section is appended at the end. Written lines end in CRLF.
#include <QByteArray>
#include <QByteArrayView>
#include <optional>

class IniFile
{
public:
    // How much of a value a reader gets back, in bytes.
    static constexpr qsizetype kMaxValueBytes = 1024;

    // The value of key in the first section named section, or nothing when either is missing.
    static std::optional<QByteArray> readValue(QByteArrayView file, QByteArrayView section,
                                               QByteArrayView key);

    // The file's bytes with key set to value in section. The value reads back exactly as given:
    // one with blanks at either end, or itself enclosed in a pair of quotes, is written inside one
    // more pair of double quotes. Line breaks and NUL bytes in the value are dropped (they would
    // split the line). A section or key name that cannot be written as a name (empty, holding a
    // line break, "=" in a key, "]" in a section) leaves the file unchanged.
    static QByteArray writeValue(QByteArrayView file, QByteArrayView section, QByteArrayView key,
                                 QByteArrayView value);

    // The text that goes after "key=" for value (the quoting described above).
    static QByteArray encodeValue(QByteArrayView value);

    // The longest prefix of value of at most maxBytes bytes that does not split a GBK character.
    static QByteArray cutValue(QByteArrayView value, qsizetype maxBytes = kMaxValueBytes);
};
