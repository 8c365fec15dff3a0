// Code page 936 conversion: round trips, replacement of what does not convert, no hangs.
#include "startup/gbkcodec.h"

#include <gtest/gtest.h>

namespace
{

struct DecodeCase {
    const char* name;
    QByteArray bytes;
    QString text;
};

class GbkDecode : public ::testing::TestWithParam<DecodeCase>
{
};

TEST_P(GbkDecode, givesText)
{
    EXPECT_EQ(GbkCodec::decode(GetParam().bytes), GetParam().text);
}

const QString kBad(QChar(0xFFFD));

INSTANTIATE_TEST_SUITE_P(
    Cases, GbkDecode,
    ::testing::Values(DecodeCase{"ascii", QByteArray("user=abc"), QStringLiteral("user=abc")},
                      DecodeCase{"chinese", QByteArray("\xd6\xd0\xce\xc4"), QStringLiteral("中文")},
                      DecodeCase{"euroSign", QByteArray("\x80"), QStringLiteral("€")},
                      DecodeCase{"badLeadThenAscii",
                                 QByteArray("\xff"
                                            "a"),
                                 kBad + QStringLiteral("a")},
                      DecodeCase{"leadWithAsciiBelowTrailRange",
                                 QByteArray("\xd6"
                                            "1\xd6\xd0"),
                                 kBad + QStringLiteral("1中")},
                      DecodeCase{"unassignedPairIsOneCharacter",
                                 QByteArray("\xaa\xa1"
                                            "b"),
                                 kBad + QStringLiteral("b")},
                      DecodeCase{"leadAtEnd", QByteArray("x\xd6"), QStringLiteral("x") + kBad},
                      DecodeCase{"nulKept", QByteArray("a\0b", 3),
                                 QString(QLatin1String("a\0b", 3))}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(GbkEncode, roundTripsChineseAndAscii)
{
    const QString text = QStringLiteral("会员张三 abc 123 ，。！");
    EXPECT_EQ(GbkCodec::decode(GbkCodec::encode(text)), text);
    EXPECT_EQ(GbkCodec::encode(QStringLiteral("中文")), QByteArray("\xd6\xd0\xce\xc4"));
}

TEST(GbkEncode, charactersOutsideGbkBecomeOneQuestionMarkEach)
{
    // An emoji (a surrogate pair), a Hangul syllable and a lone surrogate.
    const QString text = QStringLiteral("a") + QString::fromUcs4(U"\U0001F600") +
                         QStringLiteral("한b") + QChar(0xD800) + QStringLiteral("中");
    EXPECT_EQ(GbkCodec::encode(text), QByteArray("a??b?\xd6\xd0"));
}

TEST(GbkDecode, largeInvalidInputFinishes)
{
    // Every second byte is a lone lead byte; decoding goes on after each one.
    QByteArray bytes;
    for (int i = 0; i < 200000; ++i)
        bytes.append("\xff"
                     "a");
    const QString text = GbkCodec::decode(bytes);
    ASSERT_EQ(text.size(), 400000);
    EXPECT_EQ(text.count(QChar(0xFFFD)), 200000);
}

TEST(GbkCharLength, tellsDoubleByteCharacters)
{
    const QByteArray bytes("a\xd6\xd0\xd6");
    EXPECT_EQ(GbkCodec::charLength(bytes, 0), 1);
    EXPECT_EQ(GbkCodec::charLength(bytes, 1), 2);
    EXPECT_EQ(GbkCodec::charLength(bytes, 3), 1); // a lead byte with nothing after it
}

} // namespace
