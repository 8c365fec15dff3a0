#pragma once
// Code page 936 (GBK) conversion for the settings file and the service's texts.
//
// Decoding never fails: a byte that does not start a valid GBK character becomes U+FFFD and
// decoding goes on with the next byte (a well-formed but unassigned two-byte code becomes one
// U+FFFD). Encoding replaces every character GBK cannot hold, and every lone surrogate, with "?",
// which is what the system's own ANSI conversion does.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

class GbkCodec
{
public:
    static QString decode(QByteArrayView bytes);
    static QByteArray encode(const QString& text);

    // Length in bytes of the character that starts at bytes[pos]: 2 for a GBK lead byte
    // followed by a trail byte, else 1. Used to cut byte strings on a character boundary.
    static qsizetype charLength(QByteArrayView bytes, qsizetype pos);
};
