// The polls as the main window runs them: the baseline rules, the busy counter, the running-time
// limit and the dormant series poll.
#include "alerts/messagepoll.h"
#include "alerts/pollhost.h"
#include "net/pagefetch.h"
#include "startup/appstate.h"
#include "startup/gbkcodec.h"
#include "support/fetchlimits.h"
#include "support/programfolder.h"
#include "support/testsite.h"

#include <QElapsedTimer>
#include <QMap>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <vector>

namespace
{

class RecordingHost : public PollHost
{
public:
    int check1 = 1, check2 = 1, shengyin = 1;
    QMap<QString, int> boxes;
    int boxReads = 0;
    bool failShowMsn = false;
    QStringList calls;
    bool ended = false;

    int check1State() override { return check1; }
    int check2State() override { return check2; }
    int shengyinState() override { return shengyin; }
    int categoryState(const QString& name) override
    {
        ++boxReads;
        return boxes.value(name, 1);
    }
    // A failing popup opens nothing; the poll cannot tell and goes on.
    void ShowMsn(const QString& ZuName, const QString& Ziname, const QString& ZiUrl) override
    {
        if (!failShowMsn)
            calls << QStringLiteral("msn %1|%2|%3").arg(ZuName, Ziname, ZiUrl);
    }
    void PlayWavFile(const QString& file, int count, int interval) override
    {
        calls << QStringLiteral("wav %1 %2 %3").arg(file).arg(count).arg(interval);
    }
    void endProgram() override { ended = true; }
};

QString list(std::initializer_list<std::pair<int, QString>> overrides = {}, int lines = 8)
{
    QStringList rows;
    for (int i = 0; i < lines; ++i)
        rows << QStringLiteral("%1,标题%1,类别%1,/nc/item.asp?id=%1").arg(i);
    for (const auto& [i, text] : overrides)
        rows[i] = text;
    return rows.join(QStringLiteral("\r\n"));
}

class PollTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mod_Main::ServerLines = {
            QStringLiteral("http://127.0.0.1:1"), QStringLiteral("http://127.0.0.2:2"),
            QStringLiteral("http://127.0.0.3:3"), QStringLiteral("http://127.0.0.1:4")};
        mod_Main::CurLine = 0;
        poll.setClock([this] { return now; });
        poll.setFetcher([this](const QString& url) -> std::optional<QString> {
            urls << url;
            if (!replies.isEmpty())
                return replies.takeFirst();
            if (network)
                return FetchPageText(url, QStringLiteral("GB2312"));
            return std::nullopt;
        });
    }

    // Polls with no reply queued fetch from site, as line 0.
    void fetchFrom(const TestSite& site)
    {
        mod_Main::ServerLines[0] = site.base();
        network = true;
    }

    // One Timer1 tick answered with body (nothing = failed fetch); what it announced.
    QStringList tick(std::optional<QString> body)
    {
        replies = Replies{body};
        host.calls.clear();
        poll.Timer1_Timer();
        return host.calls;
    }

    // One series poll (ten Timer4 ticks) answered with body; what it announced.
    QStringList seriesTick(std::optional<QString> body)
    {
        replies = Replies{body};
        host.calls.clear();
        for (int i = 0; i < 10; ++i)
            poll.Timer4_Timer();
        return host.calls;
    }

    // The baseline is `list`: the same list again announces nothing, and the list with its first
    // line changed announces exactly that line, its popup and its sound. `list` is the baseline
    // again afterwards.
    void expectBaseline(const QString& list) { expectBaselineOf(&PollTest::tick, list); }
    void expectSeriesBaseline(const QString& list)
    {
        expectBaselineOf(&PollTest::seriesTick, list);
    }
    void expectBaselineOf(QStringList (PollTest::*tick)(std::optional<QString>),
                          const QString& list)
    {
        SCOPED_TRACE("baseline " + list.left(40).toStdString());
        EXPECT_TRUE((this->*tick)(list).isEmpty());
        QStringList lines = list.split(QStringLiteral("\r\n"));
        lines[0] = QStringLiteral("0,探测,探测类,/probe");
        const QStringList probe = (this->*tick)(lines.join(QStringLiteral("\r\n")));
        EXPECT_EQ(probe.size(), 2);
        EXPECT_EQ(probe.value(0), "msn 探测类|探测|" + mod_Main::currentLineUrl() + "/probe");
        EXPECT_TRUE(probe.value(1).startsWith("wav ")) << probe.value(1).toStdString();
        (this->*tick)(list);
    }

    QString wav(const char* file) const
    {
        return QStringLiteral("wav %1 1 5").arg(folder.filePath(QLatin1String(file)));
    }
    QTimer* timer(const char* name) const { return poll.findChild<QTimer*>(QLatin1String(name)); }

    ProgramFolder folder;
    RecordingHost host;
    MessagePoll poll{host};
    QDateTime now{QDate(2008, 5, 17), QTime(9, 3, 27)};
    // Assigned as a new list, never from a brace list into the old one: Qt 6.8's QList::assign
    // asserts (in builds with assertions) on an emptied list of a type whose copy may throw.
    using Replies = QList<std::optional<QString>>;
    Replies replies;
    bool network = false;
    QStringList urls;
};

TEST_F(PollTest, baselineRulesThroughAPollSequence)
{
    EXPECT_TRUE(tick(list()).isEmpty()); // the first list is the baseline
    EXPECT_EQ(urls.last(), "http://127.0.0.1:1/nc/tx.asp?s=2008-5-17%209:03:27");
    // The count went back to 0 after the poll: the next tick polls again.
    EXPECT_TRUE(tick(list()).isEmpty());
    EXPECT_EQ(urls.size(), 2);
    expectBaseline(list());

    EXPECT_TRUE(tick(QStringLiteral("<html>500 error</html>")).isEmpty());
    EXPECT_TRUE(tick(std::nullopt).isEmpty());
    EXPECT_TRUE(tick(QString()).isEmpty());
    // None of them took the place of the last list.
    expectBaseline(list());

    // Only line 5 changed: one popup from the new line, then its sound.
    const QString changed = list({{5, "55,新标题,机构密函,/nc/item.asp?id=55"}});
    EXPECT_EQ(
        tick(changed),
        (QStringList{"msn 机构密函|新标题|http://127.0.0.1:1/nc/item.asp?id=55", wav("ts1.wav")}));
    EXPECT_TRUE(tick(changed).isEmpty());
    expectBaseline(changed);
}

TEST_F(PollTest, htmlPageLeavesOldBaselineToCompareWith)
{
    tick(list());
    tick(QStringLiteral("<b>busy</b>"));
    EXPECT_EQ(tick(list({{0, "0,x,y,/z"}})),
              (QStringList{"msn y|x|http://127.0.0.1:1/z", wav("ts.wav")}));
}

TEST_F(PollTest, unchosenChangesBecomeTheBaselineSilently)
{
    tick(list());
    host.check1 = 0;
    EXPECT_TRUE(tick(list({{1, "1,a,b,/c"}})).isEmpty());
    EXPECT_EQ(host.boxReads, 0); // the category dialog is not even consulted
    host.check1 = 1;
    EXPECT_TRUE(tick(list({{1, "1,a,b,/c"}})).isEmpty());

    host.boxes["jgmh"] = 0;
    EXPECT_TRUE(tick(list({{1, "1,a,b,/c"}, {5, "5,x,y,/z"}})).isEmpty());
    // With every box ticked again, line 5 is no news: it went into the baseline unannounced.
    host.boxes.clear();
    expectBaseline(list({{1, "1,a,b,/c"}, {5, "5,x,y,/z"}}));
}

TEST_F(PollTest, linksToTheLineChosenAtAnnouncementTime)
{
    tick(list());
    mod_Main::CurLine = 3;
    EXPECT_EQ(tick(list({{7, "7,a,b,/c"}})).first(), "msn b|a|http://127.0.0.1:4/c");
    EXPECT_TRUE(urls.last().startsWith("http://127.0.0.1:4/nc/tx.asp?s="));
}

TEST_F(PollTest, failingPopupStillRequestsTheSound)
{
    tick(list());
    host.failShowMsn = true;
    EXPECT_EQ(tick(list({{2, "2,a,b,/c"}, {3, "3,a,b,/c"}})),
              (QStringList{wav("ts.wav"), wav("ts.wav")}));
    host.failShowMsn = false;
    expectBaseline(list({{2, "2,a,b,/c"}, {3, "3,a,b,/c"}}));
}

TEST_F(PollTest, timer2EndsAtFirstTickAtOrAfterTwelveHoursAndAMinute)
{
    now = QDateTime(QDate(2026, 12, 7), QTime(8, 0, 30));
    poll.markStart();
    ASSERT_TRUE(timer("Timer2"));
    EXPECT_TRUE(timer("Timer2")->isActive());
    EXPECT_EQ(timer("Timer2")->interval(), 60000);
    for (QTime at : {QTime(8, 1, 30), QTime(20, 0, 0), QTime(20, 0, 59)}) {
        now = QDateTime(QDate(2026, 12, 7), at);
        poll.Timer2_Timer();
        EXPECT_FALSE(host.ended) << at.toString().toStdString();
    }
    now = QDateTime(QDate(2026, 12, 7), QTime(20, 1, 0));
    poll.Timer2_Timer();
    EXPECT_TRUE(host.ended);
}

TEST_F(PollTest, timer1WaitsForStartUpAndTimer4NeverRuns)
{
    QTimer* timer1 = timer("Timer1");
    QTimer* timer4 = timer("Timer4");
    ASSERT_TRUE(timer1 && timer4);
    EXPECT_FALSE(timer1->isActive());
    EXPECT_FALSE(timer4->isActive());
    EXPECT_EQ(timer4->interval(), 0);

    // Arming sets the count to 0 even while a poll waits with the count at 5: the next tick
    // then polls.
    poll.setFetcher([&](const QString& url) -> std::optional<QString> {
        urls << url;
        if (urls.size() == 1) {
            for (int i = 0; i < 4; ++i)
                poll.Timer1_Timer();
            EXPECT_EQ(urls.size(), 1);
            poll.armTimer1();
            poll.Timer1_Timer();
            EXPECT_EQ(urls.size(), 2);
        }
        return std::nullopt;
    });
    poll.Timer1_Timer();
    EXPECT_TRUE(timer1->isActive());
    EXPECT_EQ(timer1->interval(), 30000);
    EXPECT_FALSE(timer4->isActive());
}

TEST_F(PollTest, seriesPollRunsOnEveryTenthTickAndTakesHtmlAsAList)
{
    auto series = [](std::initializer_list<std::pair<int, QString>> o) { return list(o, 18); };
    replies = Replies{series({}), series({{12, "12,新,系列,/s12"}, {16, "16,x,y,/z"}})};
    for (int i = 0; i < 9; ++i)
        poll.Timer4_Timer();
    EXPECT_TRUE(urls.isEmpty());
    poll.Timer4_Timer();
    ASSERT_EQ(urls.size(), 1);
    EXPECT_EQ(urls[0], "http://127.0.0.1:1/nc/tx_sxzv.asp?s=2008-5-17%209:03:27");
    // The count went back to 0 after the poll: the next one is ten ticks on.
    for (int i = 0; i < 9; ++i)
        poll.Timer4_Timer();
    EXPECT_EQ(urls.size(), 1);
    poll.Timer4_Timer();
    EXPECT_EQ(urls.size(), 2);
    EXPECT_EQ(host.calls, (QStringList{"msn 系列|新|http://127.0.0.1:1/s12", wav("ts2.wav")}));

    EXPECT_EQ(seriesTick(QStringLiteral("<p>a,b,c,/d</p>")),
              (QStringList{"msn c|b|http://127.0.0.1:1/d</p>", wav("ts2.wav")}));
    expectSeriesBaseline(QStringLiteral("<p>a,b,c,/d</p>"));
}

TEST_F(PollTest, ticksDuringAStalledFetchStartNoSecondPoll)
{
    TestSite site;
    site.stall("/nc/tx.asp", "0,a,b,/c");
    fetchFrom(site);
    ScopedFetchLimits limits({800, 1024 * 1024});

    int ticksInside = 0;
    int pollsInside = 0;
    QTimer extra;
    extra.setInterval(50);
    QObject::connect(&extra, &QTimer::timeout, [&] {
        ++ticksInside;
        const qsizetype before = urls.size();
        poll.Timer1_Timer();
        pollsInside += int(urls.size() - before);
    });
    extra.start();
    QElapsedTimer clock;
    clock.start();
    poll.Timer1_Timer(); // stalls, gives up after 0.8 s
    extra.stop();

    EXPECT_GE(clock.elapsed(), 700);
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_GE(ticksInside, 5);
    EXPECT_EQ(pollsInside, 0); // each tick inside only counted
    EXPECT_EQ(site.requestsTo("/nc/tx.asp").size(), 1);

    // The next tick after the stalled poll polls again (the count went back to 0) and now gets
    // its answer, which becomes the first baseline: nothing came before it.
    site.release();
    host.calls.clear();
    poll.Timer1_Timer();
    EXPECT_EQ(site.requestsTo("/nc/tx.asp").size(), 2);
    EXPECT_TRUE(host.calls.isEmpty());
    expectBaseline(QStringLiteral("0,a,b,/c"));
}

TEST_F(PollTest, keepsPollingThroughBadAnswersFromARealServer)
{
    // The lists travel in GBK, as the service sends them.
    const std::string base = GbkCodec::encode(list()).toStdString();
    const std::string changed =
        GbkCodec::encode(list({{5, "5,新标题5,类别5,/nc/item.asp?id=5"}})).toStdString();
    // Successive list requests get these answers, the last one from then on.
    const std::vector<SiteAnswer> answers{
        {200, base},
        {500, "<html><body>Internal error</body></html>"},
        {200, ""},
        {500, "boom"},
        {200, std::string(1 << 19, 'x') + "\r\n" + std::string(10000, ',')},
        {200, "\x81\xFF\xFE,\x80"},
        {200, std::string(2 << 20, 'y')},
        {200, base},
        {200, changed}};
    std::atomic<size_t> next{0};
    TestSite site;
    site.handle(
        "/nc/tx.asp",
        [&](const SiteRequest&) { return answers[std::min(next++, answers.size() - 1)]; },
        "text/plain");
    fetchFrom(site);

    QStringList last;
    for (qsizetype i = 0; i < 9; ++i) {
        host.calls.clear();
        poll.Timer1_Timer();
        // Every tick polls: the count went back to 0 after the poll before.
        EXPECT_EQ(site.requestsTo("/nc/tx.asp").size(), i + 1);
        last = host.calls;
    }
    // The odd answers that came with status 200 became baselines in turn (the error statuses
    // were failed fetches); the last change is announced against the list before it, with the
    // new title.
    EXPECT_EQ(last, (QStringList{"msn 类别5|新标题5|" + site.base() + "/nc/item.asp?id=5",
                                 wav("ts1.wav")}));
    expectBaseline(list({{5, "5,新标题5,类别5,/nc/item.asp?id=5"}}));
}

} // namespace
