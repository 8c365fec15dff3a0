// The decisions of the polls: which rows of a fresh list are announced, with what, and the small
// rules around them (item addresses, request stamps, the running-time limit, WAV lengths).
#include "alerts/itemaddress.h"
#include "alerts/listcompare.h"
#include "alerts/requesturl.h"
#include "alerts/runtimelimit.h"
#include "alerts/wavlength.h"

#include <QtEndian>
#include <gtest/gtest.h>

namespace
{

const QString Base = QStringLiteral("http://127.0.0.1:18062");

// Eight lines "id,title,label,/path" with line i overridable.
QString list(std::initializer_list<std::pair<int, QString>> overrides = {}, int lines = 8)
{
    QStringList rows;
    for (int i = 0; i < lines; ++i)
        rows << QStringLiteral("%1,标题%1,类别%1,/nc/item.asp?id=%1").arg(i);
    for (const auto& [i, text] : overrides)
        rows[i] = text;
    return rows.join(QStringLiteral("\r\n"));
}

constexpr std::array<int, 8> AllOn = {1, 1, 1, 1, 1, 1, 1, 1};

QString describe(const QList<ListCompare::Announcement>& as)
{
    QStringList out;
    for (const auto& a : as) {
        QString s = QString::number(a.row) + QLatin1Char(':');
        if (a.notice)
            s += a.notice->ZuName + QLatin1Char('|') + a.notice->Ziname + QLatin1Char('|') +
                 a.notice->ZiUrl;
        else
            s += QStringLiteral("-");
        s += QLatin1Char(':') + a.soundFile;
        out << s;
    }
    return out.join(QLatin1Char(' '));
}

struct CompareCase {
    const char* name;
    QString baseline;
    QString fresh;
    int check1;
    std::array<int, 8> boxes;
    int shengyin;
    QString expected;
};

class MessageCompare : public ::testing::TestWithParam<CompareCase>
{
};

TEST_P(MessageCompare, announcesChangedChosenRowsInOrder)
{
    const CompareCase& c = GetParam();
    const auto got =
        ListCompare::messageAnnouncements(c.baseline, c.fresh, c.check1, c.boxes, c.shengyin, Base);
    EXPECT_EQ(describe(got).toStdString(), c.expected.toStdString());
}

const QString NewLine5 = QStringLiteral("55,新标题,机构密函,/nc/item.asp?id=55");
const QString Item55 = QStringLiteral("5:机构密函|新标题|http://127.0.0.1:18062/nc/item.asp?id=55");

INSTANTIATE_TEST_SUITE_P(
    Table, MessageCompare,
    ::testing::Values(
        CompareCase{"unchanged", list(), list(), 1, AllOn, 1, ""},
        CompareCase{"line5_changed", list(), list({{5, NewLine5}}), 1, AllOn, 1,
                    Item55 + ":ts1.wav"},
        CompareCase{"line5_changed_no_sound", list(), list({{5, NewLine5}}), 1, AllOn, 0,
                    Item55 + ":"},
        CompareCase{
            "line5_box_clear", list(), list({{5, NewLine5}}), 1, {1, 1, 1, 1, 1, 0, 1, 1}, 1, ""},
        CompareCase{
            "line5_box_greyed", list(), list({{5, NewLine5}}), 1, {1, 1, 1, 1, 1, 2, 1, 1}, 1, ""},
        CompareCase{"check1_clear", list(), list({{5, NewLine5}}), 0, AllOn, 1, ""},
        CompareCase{"check1_greyed", list(), list({{5, NewLine5}}), 2, AllOn, 1, ""},
        CompareCase{"empty_to_text_is_silent", list({{2, ""}}), list(), 1, AllOn, 1, ""},
        CompareCase{"text_to_empty_is_silent", list(), list({{2, ""}}), 1, AllOn, 1, ""},
        CompareCase{"rows_0_and_7_in_order", list(),
                    list({{7, "7,七,题材快报,/nc/x7.asp"}, {0, "0,零,Zelvar政策,/nc/x0.asp"}}), 1,
                    AllOn, 1,
                    "0:Zelvar政策|零|http://127.0.0.1:18062/nc/x0.asp:ts.wav "
                    "7:题材快报|七|http://127.0.0.1:18062/nc/x7.asp:ts1.wav"},
        CompareCase{"fresh_list_of_three_lines", list(), list({{1, "1,a,b,/c"}}, 3), 1, AllOn, 1,
                    "1:b|a|http://127.0.0.1:18062/c:ts.wav"},
        CompareCase{"baseline_of_three_lines", list({}, 3), list({{6, "6,a,b,/c"}}), 1, AllOn, 1,
                    ""},
        CompareCase{"two_fields_sound_only", list(), list({{4, "4,只有标题"}}), 1, AllOn, 1,
                    "4:-:ts1.wav"},
        CompareCase{"two_fields_no_sound_nothing", list(), list({{4, "4,只有标题"}}), 1, AllOn, 0,
                    ""},
        CompareCase{"change_in_unused_field_counts", list(),
                    list({{3, "3,标题3,类别3,/nc/item.asp?id=3,extra"}}), 1, AllOn, 1,
                    "3:类别3|标题3|http://127.0.0.1:18062/nc/item.asp?id=3:ts.wav"},
        CompareCase{"case_change_counts", list({{1, "1,abc,x,/p"}}), list({{1, "1,ABC,x,/p"}}), 1,
                    AllOn, 1, "1:x|ABC|http://127.0.0.1:18062/p:ts.wav"},
        CompareCase{"rows_after_seven_ignored", list({}, 10), list({{9, "9,a,b,/c"}}, 10), 1, AllOn,
                    1, ""},
        CompareCase{"foreign_host_rejected", list(), list({{5, "5,t,l,@evil.example/x"}}), 1, AllOn,
                    1, "5:-:ts1.wav"},
        CompareCase{"protocol_relative_rejected", list(), list({{5, "5,t,l,//evil.example/x"}}), 1,
                    AllOn, 1, "5:-:ts1.wav"},
        CompareCase{"scheme_rejected", list(), list({{5, "5,t,l,javascript:alert(1)"}}), 1, AllOn,
                    0, ""},
        CompareCase{"no_commas_line", list(), list({{6, "no commas at all"}}), 1, AllOn, 1,
                    "6:-:ts1.wav"}),
    [](const ::testing::TestParamInfo<CompareCase>& info) { return std::string(info.param.name); });

TEST(MessageCompare, manyCommasAndLongLinesStayBounded)
{
    const QString commas = QStringLiteral("0,t,l,/p") + QString(10000, QLatin1Char(','));
    const QString longLine = QStringLiteral("1,") + QString(1 << 20, QLatin1Char('x')) + ",l,/p";
    const auto got = ListCompare::messageAnnouncements(list(), list({{0, commas}, {1, longLine}}),
                                                       1, AllOn, 1, Base);
    ASSERT_EQ(got.size(), 2);
    EXPECT_EQ(got[0].notice->ZiUrl, Base + "/p");
    EXPECT_EQ(got[1].notice->Ziname.size(), 1 << 20);
}

TEST(SeriesCompare, sixteenRowsOneGateOneSound)
{
    QStringList before, after;
    for (int i = 0; i < 18; ++i) {
        before << QStringLiteral("%1,t%1,l,/s%1").arg(i);
        after << (i == 12 || i == 16 ? QStringLiteral("%1,new%1,l,/n%1").arg(i) : before.last());
    }
    const QString b = before.join("\r\n"), a = after.join("\r\n");
    EXPECT_EQ(describe(ListCompare::seriesAnnouncements(b, a, 1, 1, Base)).toStdString(),
              "12:l|new12|http://127.0.0.1:18062/n12:ts2.wav");
    EXPECT_TRUE(ListCompare::seriesAnnouncements(b, a, 0, 1, Base).isEmpty());
}

TEST(ListRules, splitKeepsTrailingEmptyLineAndValidityNeedsBothBrackets)
{
    EXPECT_EQ(ListCompare::splitLines("a\r\nb\r\n"), (QStringList{"a", "b", ""}));
    EXPECT_EQ(ListCompare::splitLines("a\nb"), (QStringList{"a\nb"}));
    EXPECT_TRUE(ListCompare::isMessageList("a<b"));
    EXPECT_TRUE(ListCompare::isMessageList("a>b"));
    EXPECT_FALSE(ListCompare::isMessageList(">x<"));
    EXPECT_FALSE(ListCompare::isMessageList("<html>"));
}

TEST(ItemAddress, onlyPathsOnTheLinesOwnServer)
{
    const struct {
        QString path;
        std::optional<QString> expected;
    } cases[] = {
        {"/nc/a.asp?id=1", Base + "/nc/a.asp?id=1"},
        {"/", Base + "/"},
        {"", std::nullopt},
        {"nc/a.asp", std::nullopt},
        {"//evil.example/x", std::nullopt},
        {"@evil.example/x", std::nullopt},
        {":99/x", std::nullopt},
        {".evil.example/x", std::nullopt},
        {"/\\evil.example", std::nullopt},
        {"/a\tb", std::nullopt},
        {"/a\rb", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ItemAddress::resolve(Base, c.path), c.expected) << c.path.toStdString();
    EXPECT_EQ(ItemAddress::resolve("http://127.0.0.1:18803", "/x"),
              std::optional<QString>("http://127.0.0.1:18803/x"));
    EXPECT_EQ(ItemAddress::resolve("not a url", "/x"), std::nullopt);
}

TEST(RequestUrl, localStampWithEncodedBlank)
{
    const QDateTime at(QDate(2008, 5, 17), QTime(9, 3, 27));
    EXPECT_EQ(RequestUrl::messageList(Base, at), Base + "/nc/tx.asp?s=2008-5-17%209:03:27");
    EXPECT_EQ(RequestUrl::seriesList(Base, QDateTime(QDate(2026, 12, 7), QTime(23, 59, 5))),
              Base + "/nc/tx_sxzv.asp?s=2026-12-7%2023:59:05");
}

TEST(RunTimeLimit, countsMinuteBoundaries)
{
    const QDate d(2026, 12, 7);
    EXPECT_EQ(RunTimeLimit::minuteBoundaries(QDateTime(d, QTime(10, 0, 59)),
                                             QDateTime(d, QTime(10, 1, 0))),
              1);
    EXPECT_EQ(RunTimeLimit::minuteBoundaries(QDateTime(d, QTime(10, 0, 0)),
                                             QDateTime(d, QTime(10, 0, 59))),
              0);
    const QDateTime start(d, QTime(8, 0, 30));
    EXPECT_FALSE(RunTimeLimit::exceeded(start, QDateTime(d, QTime(20, 0, 59)), 720));
    EXPECT_TRUE(RunTimeLimit::exceeded(start, QDateTime(d, QTime(20, 1, 0)), 720));
    EXPECT_TRUE(RunTimeLimit::exceeded(QDateTime(d, QTime(23, 30)),
                                       QDateTime(d.addDays(1), QTime(11, 31)), 720));
    EXPECT_FALSE(RunTimeLimit::exceeded(QDateTime(), QDateTime(d, QTime(20, 1)), 720));
}

QByteArray wav(quint32 byteRate, quint32 dataSize, bool extraChunk)
{
    QByteArray b("RIFF\0\0\0\0WAVE", 12);
    auto u32 = [&](quint32 v) {
        char x[4];
        qToLittleEndian(v, x);
        b.append(x, 4);
    };
    b.append("fmt ");
    u32(16);
    b.append(QByteArray(8, '\1'));
    u32(byteRate);
    b.append(QByteArray(4, '\2'));
    if (extraChunk) {
        b.append("LIST");
        u32(3);
        b.append("abc\0", 4); // odd size, padded
    }
    b.append("data");
    u32(dataSize);
    return b;
}

TEST(WavLength, readsLengthFromHeader)
{
    const QByteArray h = wav(88200, 88200 * 2, true);
    EXPECT_EQ(WavLength::durationMs(h, h.size() + 88200 * 2), 2000);
    // A header claiming more than the file holds counts only what is there.
    EXPECT_EQ(WavLength::durationMs(h, h.size() + 44100), 500);
    EXPECT_EQ(WavLength::durationMs(wav(0, 100, false), 200), std::nullopt);
    EXPECT_EQ(WavLength::durationMs("RIFF....WAVX", 12), std::nullopt);
    EXPECT_EQ(WavLength::durationMs(h.left(30), 30), std::nullopt);
}

} // namespace
