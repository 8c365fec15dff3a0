// The private-profile rules over hand-written and program-written files.
#include "startup/inifile.h"

#include <gtest/gtest.h>

namespace
{

struct ReadCase {
    const char* name;
    QByteArray file;
    const char* section;
    const char* key;
    std::optional<QByteArray> value;
};

class IniRead : public ::testing::TestWithParam<ReadCase>
{
};

TEST_P(IniRead, findsValue)
{
    const ReadCase& c = GetParam();
    EXPECT_EQ(IniFile::readValue(c.file, c.section, c.key), c.value);
}

const QByteArray kNone;

INSTANTIATE_TEST_SUITE_P(
    Names, IniRead,
    ::testing::Values(
        ReadCase{"plain", "[config]\r\nxianlu=3\r\n", "config", "xianlu", "3"},
        ReadCase{"sectionCase", "[CONFIG]\r\nxianlu=3\r\n", "config", "xianlu", "3"},
        ReadCase{"keyCase", "[config]\r\nXianLu=3\r\n", "Config", "xianlu", "3"},
        ReadCase{"blanksAroundNames", "  [ config ]  \r\n\t xianlu \t= 3\r\n", "config", "xianlu",
                 "3"},
        ReadCase{"missingKey", "[config]\r\nCheck1=1\r\n", "config", "xianlu", std::nullopt},
        ReadCase{"missingSection", "[mima]\r\nxianlu=1\r\n", "config", "xianlu", std::nullopt},
        ReadCase{"keyBeforeAnySection", "xianlu=1\r\n[config]\r\n", "config", "xianlu",
                 std::nullopt},
        ReadCase{"keyInOtherSection", "[config]\r\n[mima]\r\nuser=a\r\n", "config", "user",
                 std::nullopt},
        ReadCase{"emptyValue", "[mima]\r\nuser=\r\n", "mima", "user", kNone},
        ReadCase{"firstDuplicateKey", "[config]\r\nxianlu=1\r\nxianlu=2\r\n", "config", "xianlu",
                 "1"},
        ReadCase{"firstDuplicateSectionOnly", "[config]\r\nCheck1=0\r\n[config]\r\nxianlu=2\r\n",
                 "config", "xianlu", std::nullopt},
        ReadCase{"firstDuplicateSectionWins", "[config]\r\nxianlu=1\r\n[Config]\r\nxianlu=2\r\n",
                 "config", "xianlu", "1"},
        ReadCase{"commentSkipped", "[config]\r\n;xianlu=1\r\n  ; xianlu=2\r\nxianlu=3\r\n",
                 "config", "xianlu", "3"},
        ReadCase{"lineWithoutEqualsIgnored", "[config]\r\nxianlu\r\nxianlu=2\r\n", "config",
                 "xianlu", "2"},
        ReadCase{"chineseSectionAsBytes", "[\xd6\xd0]\r\nk=v\r\n", "\xd6\xd0", "k", "v"},
        ReadCase{"chineseTrailByteNotFolded", "[config]\r\n\xb0\x41=1\r\n", "config", "\xb0\x61",
                 std::nullopt},
        ReadCase{"sectionWithoutBracket", "[config\r\nxianlu=2\r\n", "config", "xianlu", "2"},
        ReadCase{"utf8ByteOrderMark", "\xEF\xBB\xBF[config]\r\nxianlu=2\r\n", "config", "xianlu",
                 "2"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    LineEnds, IniRead,
    ::testing::Values(ReadCase{"crOnly", "[mima]\ruser=a\rpass=b\r", "mima", "pass", "b"},
                      ReadCase{"lfOnly", "[mima]\nuser=a\npass=b", "mima", "pass", "b"},
                      ReadCase{"mixed", "[mima]\r\nuser=a\rpass=b\n", "mima", "pass", "b"},
                      ReadCase{"lastLineUnterminated", "[mima]\r\npass=b", "mima", "pass", "b"},
                      ReadCase{"blankLines", "\r\n\r\n[mima]\r\n\r\n\n\rpass=b\r\n", "mima", "pass",
                               "b"}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Values, IniRead,
    ::testing::Values(
        ReadCase{"blanksTrimmed", "[mima]\r\npass=  a b \t\r\n", "mima", "pass", "a b"},
        ReadCase{"verticalTabsTrimmed", "[\vmima]\r\n\vpass\v=\v a b\v\r\n", "mima", "pass", "a b"},
        ReadCase{"doubleQuotes", "[mima]\r\npass=\" a \"\r\n", "mima", "pass", " a "},
        ReadCase{"singleQuotes", "[mima]\r\npass='x'\r\n", "mima", "pass", "x"},
        ReadCase{"onlyOnePair", "[mima]\r\npass=\"\"x\"\"\r\n", "mima", "pass", "\"x\""},
        ReadCase{"unmatchedQuotes", "[mima]\r\npass=\"x'\r\n", "mima", "pass", "\"x'"},
        ReadCase{"loneQuote", "[mima]\r\npass=\"\r\n", "mima", "pass", "\""},
        ReadCase{"equalsInValue", "[mima]\r\npass=a=b\r\n", "mima", "pass", "a=b"},
        ReadCase{"gbkValue", "[mima]\r\nuser=\xd5\xc5\xc8\xfd\r\n", "mima", "user",
                 "\xd5\xc5\xc8\xfd"},
        ReadCase{"binaryBytesKept", QByteArray("[mima]\r\npass=a\0b\r\n", 19), "mima", "pass",
                 QByteArray("a\0b", 3)}),
    [](const auto& info) { return std::string(info.param.name); });

struct WriteCase {
    const char* name;
    QByteArray before;
    const char* section;
    const char* key;
    QByteArray value;
    QByteArray after;
};

class IniWrite : public ::testing::TestWithParam<WriteCase>
{
};

TEST_P(IniWrite, editsInPlace)
{
    const WriteCase& c = GetParam();
    EXPECT_EQ(IniFile::writeValue(c.before, c.section, c.key, c.value), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniWrite,
    ::testing::Values(
        WriteCase{"newFile", "", "config", "zvgs", "1", "[config]\r\nzvgs=1\r\n"},
        WriteCase{"emptyValue", "", "mima", "user", "", "[mima]\r\nuser=\r\n"},
        WriteCase{"replaceKeepsSpellingAndSpacing",
                  "; mine\r\n[Config]\r\n  XianLu = 1\r\nCheck1=1\r\n", "config", "xianlu", "3",
                  "; mine\r\n[Config]\r\n  XianLu = 3\r\nCheck1=1\r\n"},
        WriteCase{"replaceInLfFileTouchesOnlyThatLine", "[config]\na=1\nb=2\n", "config", "a", "9",
                  "[config]\na=9\r\nb=2\n"},
        WriteCase{"newKeyAfterLastKeyOfSection",
                  "[config]\r\na=1\r\n; note\r\nb=2\r\n\r\n[mima]\r\nuser=x\r\n", "config", "c",
                  "3", "[config]\r\na=1\r\n; note\r\nb=2\r\nc=3\r\n\r\n[mima]\r\nuser=x\r\n"},
        WriteCase{"newKeyInEmptySection", "[config]\r\n\r\n[mima]\r\n", "config", "a", "1",
                  "[config]\r\na=1\r\n\r\n[mima]\r\n"},
        WriteCase{"newKeyAtUnterminatedEnd", "[config]\r\na=1", "config", "b", "2",
                  "[config]\r\na=1\r\nb=2\r\n"},
        WriteCase{"newSectionAppended", "[config]\r\na=1", "mima", "pass", "p",
                  "[config]\r\na=1\r\n[mima]\r\npass=p\r\n"},
        WriteCase{"crOnlyFile", "[config]\ra=1\r[mima]\ruser=u\r", "mima", "user", "v",
                  "[config]\ra=1\r[mima]\ruser=v\r\n"},
        WriteCase{"firstDuplicateSectionEdited", "[config]\r\na=1\r\n[config]\r\nb=2\r\n", "config",
                  "b", "3", "[config]\r\na=1\r\nb=3\r\n[config]\r\nb=2\r\n"},
        WriteCase{"commentedKeyIsNotTheKey", "[config]\r\n;a=1\r\n", "config", "a", "2",
                  "[config]\r\na=2\r\n;a=1\r\n"},
        WriteCase{"byteOrderMarkKept", "\xEF\xBB\xBF[config]\r\na=1\r\n", "config", "a", "2",
                  "\xEF\xBB\xBF[config]\r\na=2\r\n"},
        WriteCase{"lineBreaksDroppedFromValue", "", "mima", "pass", "a\r\n[config]\nxianlu=3",
                  "[mima]\r\npass=a[config]xianlu=3\r\n"},
        WriteCase{"badKeyChangesNothing", "[config]\r\n", "config", "a=b", "1", "[config]\r\n"},
        WriteCase{"badSectionChangesNothing", "x", "a]b", "k", "1", "x"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniValueQuoting, readsBackExactlyAsTyped)
{
    const QByteArray values[] = {"plain",  " lead", "trail ", " both ",  "\tx",       "\"q\"",
                                 "'q'",    "\"",    "\"x",    "x\"",     "\"\"",      "'\"",
                                 "a\"b\"", "",      " ",      "\" x \"", "\xd6\xd0 ", "\vv\v"};
    QByteArray file = "[mima]\r\nuser=u\r\n";
    for (const QByteArray& v : values) {
        file = IniFile::writeValue(file, "mima", "pass", v);
        EXPECT_EQ(IniFile::readValue(file, "mima", "pass").value_or("<absent>"), v)
            << v.toStdString() << " written as " << file.toStdString();
    }
    EXPECT_EQ(IniFile::readValue(file, "mima", "user"), QByteArray("u"));
}

TEST(IniValueQuoting, plainValuesAreWrittenAsTheyAre)
{
    EXPECT_EQ(IniFile::encodeValue("a b"), QByteArray("a b"));
    EXPECT_EQ(IniFile::encodeValue("\"x"), QByteArray("\"x"));
    EXPECT_EQ(IniFile::encodeValue(" x"), QByteArray("\" x\""));
    EXPECT_EQ(IniFile::encodeValue("'x'"), QByteArray("\"'x'\""));
}

TEST(IniCut, keepsAtMostMaxBytesOnACharacterBoundary)
{
    const QByteArray exact(1024, 'a');
    EXPECT_EQ(IniFile::cutValue(exact), exact);
    EXPECT_EQ(IniFile::cutValue(QByteArray(1500, 'b')), QByteArray(1024, 'b'));
    // 1023 ASCII bytes and a Chinese character across the limit: the half character goes.
    const QByteArray split = QByteArray(1023, 'c') + "\xd6\xd0";
    EXPECT_EQ(IniFile::cutValue(split), QByteArray(1023, 'c'));
    const QByteArray fits = QByteArray(1022, 'c') + "\xd6\xd0" + "zz";
    EXPECT_EQ(IniFile::cutValue(fits), QByteArray(1022, 'c') + "\xd6\xd0");
}

TEST(IniLargeFile, readsAndWritesAFewMegabytesOfNoise)
{
    // Random bytes with NULs and stray brackets, then a real section at the end.
    QByteArray noise;
    quint32 x = 12345;
    for (int i = 0; i < 4 * 1024 * 1024; ++i) {
        x = x * 1103515245u + 12345u;
        noise.append(static_cast<char>(x >> 24));
    }
    const QByteArray file = noise + "\r\n[zvtest]\r\nkey=found\r\n";
    EXPECT_EQ(IniFile::readValue(file, "zvtest", "key"), QByteArray("found"));
    const QByteArray written = IniFile::writeValue(file, "zvtest", "key", "again");
    EXPECT_TRUE(written.startsWith(noise));
    EXPECT_EQ(IniFile::readValue(written, "zvtest", "key"), QByteArray("again"));
}

} // namespace
