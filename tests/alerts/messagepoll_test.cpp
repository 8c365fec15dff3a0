// The polls as the main window runs them: the baseline rules, the busy counter, the running-time
// limit and the dormant series poll.
#include "alerts/messagepoll.h"
#include "alerts/pollhost.h"
#include "net/pagefetch.h"
#include "startup/appstate.h"
#include "startup/gbkcodec.h"
#include "startup/settings.h"

#include <QElapsedTimer>
#include <QMap>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <httplib.h>
#include <thread>
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
    bool ShowMsn(const QString& ZuName, const QString& Ziname, const QString& ZiUrl) override
    {
        if (failShowMsn)
            return false;
        calls << QStringLiteral("msn %1|%2|%3").arg(ZuName, Ziname, ZiUrl);
        return true;
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
        setAppDirForTesting(QStringLiteral("/opt/zv"));
        poll.setClock([this] { return now; });
        poll.setFetcher([this](const QString& url) -> std::optional<QString> {
            urls << url;
            if (replies.isEmpty())
                return std::nullopt;
            return replies.takeFirst();
        });
    }
    void TearDown() override { setAppDirForTesting({}); }

    // One Timer1 tick answered with body (nothing = failed fetch).
    QStringList tick(std::optional<QString> body)
    {
        replies = {body};
        host.calls.clear();
        poll.Timer1_Timer();
        return host.calls;
    }

    RecordingHost host;
    MessagePoll poll{host};
    QDateTime now{QDate(2008, 5, 17), QTime(9, 3, 27)};
    QList<std::optional<QString>> replies;
    QStringList urls;
};

TEST_F(PollTest, baselineRulesThroughAPollSequence)
{
    EXPECT_TRUE(tick(list()).isEmpty()); // the first list is the baseline
    EXPECT_EQ(urls.last(), "http://127.0.0.1:1/nc/tx.asp?s=2008-5-17%209:03:27");
    EXPECT_EQ(poll.bak, list());
    EXPECT_EQ(poll.t, 0);

    EXPECT_TRUE(tick(list()).isEmpty());
    EXPECT_TRUE(tick(QStringLiteral("<html>500 error</html>")).isEmpty());
    EXPECT_TRUE(tick(std::nullopt).isEmpty());
    EXPECT_TRUE(tick(QString()).isEmpty());
    EXPECT_EQ(poll.bak, list());
    EXPECT_EQ(poll.tmp, list());

    // Only line 5 changed: one popup from the new line, then its sound.
    const QString changed = list({{5, "55,新标题,机构密函,/nc/item.asp?id=55"}});
    EXPECT_EQ(tick(changed),
              (QStringList{"msn 机构密函|新标题|http://127.0.0.1:1/nc/item.asp?id=55",
                           "wav /opt/zv/ts1.wav 1 5"}));
    EXPECT_EQ(poll.bak, changed);
    EXPECT_TRUE(tick(changed).isEmpty());
}

TEST_F(PollTest, htmlPageLeavesOldBaselineToCompareWith)
{
    tick(list());
    tick(QStringLiteral("<b>busy</b>"));
    EXPECT_EQ(tick(list({{0, "0,x,y,/z"}})),
              (QStringList{"msn y|x|http://127.0.0.1:1/z", "wav /opt/zv/ts.wav 1 5"}));
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
    EXPECT_EQ(poll.bak, list({{1, "1,a,b,/c"}, {5, "5,x,y,/z"}}));
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
              (QStringList{"wav /opt/zv/ts.wav 1 5", "wav /opt/zv/ts.wav 1 5"}));
    EXPECT_EQ(poll.bak, list({{2, "2,a,b,/c"}, {3, "3,a,b,/c"}}));
}

TEST_F(PollTest, timer2EndsAtFirstTickAtOrAfterTwelveHoursAndAMinute)
{
    now = QDateTime(QDate(2026, 12, 7), QTime(8, 0, 30));
    poll.markStart();
    EXPECT_TRUE(poll.Timer2.isActive());
    EXPECT_EQ(poll.Timer2.interval(), 60000);
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
    EXPECT_FALSE(poll.Timer1.isActive());
    EXPECT_FALSE(poll.Timer4.isActive());
    EXPECT_EQ(poll.Timer4.interval(), 0);
    poll.t = 5;
    poll.armTimer1();
    EXPECT_TRUE(poll.Timer1.isActive());
    EXPECT_EQ(poll.Timer1.interval(), 30000);
    EXPECT_EQ(poll.t, 0);
    EXPECT_FALSE(poll.Timer4.isActive());
}

TEST_F(PollTest, seriesPollRunsOnEveryTenthTickAndTakesHtmlAsAList)
{
    auto series = [](std::initializer_list<std::pair<int, QString>> o) { return list(o, 18); };
    replies = {series({}), series({{12, "12,新,系列,/s12"}, {16, "16,x,y,/z"}})};
    for (int i = 0; i < 9; ++i)
        poll.Timer4_Timer();
    EXPECT_TRUE(urls.isEmpty());
    poll.Timer4_Timer();
    ASSERT_EQ(urls.size(), 1);
    EXPECT_EQ(urls[0], "http://127.0.0.1:1/nc/tx_sxzv.asp?s=2008-5-17%209:03:27");
    EXPECT_EQ(poll.tt, 0);
    for (int i = 0; i < 10; ++i)
        poll.Timer4_Timer();
    EXPECT_EQ(host.calls,
              (QStringList{"msn 系列|新|http://127.0.0.1:1/s12", "wav /opt/zv/ts2.wav 1 5"}));

    host.calls.clear();
    replies = {QStringLiteral("<p>a,b,c,/d</p>")};
    for (int i = 0; i < 10; ++i)
        poll.Timer4_Timer();
    EXPECT_EQ(host.calls,
              (QStringList{"msn c|b|http://127.0.0.1:1/d</p>", "wav /opt/zv/ts2.wav 1 5"}));
    EXPECT_EQ(poll.bak_sxzv, "<p>a,b,c,/d</p>");
}

// A server that holds every list request until released.
class StallingServer
{
public:
    StallingServer()
    {
        server.Get("/nc/tx.asp", [this](const httplib::Request&, httplib::Response& res) {
            ++requests;
            for (int i = 0; i < 300 && !release; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            res.set_content("0,a,b,/c", "text/plain");
        });
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
        while (!server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ~StallingServer()
    {
        release = true;
        server.stop();
        thread.join();
    }
    httplib::Server server;
    std::thread thread;
    int port = 0;
    std::atomic<int> requests{0};
    std::atomic<bool> release{false};
};

TEST_F(PollTest, ticksDuringAStalledFetchStartNoSecondPoll)
{
    StallingServer stall;
    mod_Main::ServerLines[0] = QStringLiteral("http://127.0.0.1:%1").arg(stall.port);
    poll.setFetcher([](const QString& url) { return FetchPageText(url, "GB2312"); });
    const FetchLimits saved = defaultFetchLimits();
    setDefaultFetchLimits({800, 1024 * 1024});

    int ticksInside = 0;
    qint32 highest = 0;
    QTimer extra;
    extra.setInterval(50);
    QObject::connect(&extra, &QTimer::timeout, [&] {
        ++ticksInside;
        poll.Timer1_Timer();
        highest = std::max(highest, poll.t);
    });
    extra.start();
    QElapsedTimer clock;
    clock.start();
    poll.Timer1_Timer(); // stalls, gives up after 0.8 s
    extra.stop();

    EXPECT_GE(clock.elapsed(), 700);
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_GE(ticksInside, 5);
    EXPECT_EQ(highest, ticksInside + 1);
    EXPECT_EQ(stall.requests.load(), 1);
    EXPECT_EQ(poll.t, 0);
    EXPECT_TRUE(poll.bak.isEmpty());

    // The next tick after the stalled poll polls again and now gets its answer.
    stall.release = true;
    poll.Timer1_Timer();
    EXPECT_EQ(stall.requests.load(), 2);
    EXPECT_EQ(poll.bak, "0,a,b,/c");
    setDefaultFetchLimits(saved);
}

// Serves the given answers to successive list requests, the last one from then on.
class ScriptedServer
{
public:
    struct Answer {
        int status;
        std::string body;
    };
    explicit ScriptedServer(std::vector<Answer> answers) : answers_(std::move(answers))
    {
        server.Get("/nc/tx.asp", [this](const httplib::Request&, httplib::Response& res) {
            const size_t i = std::min<size_t>(next_++, answers_.size() - 1);
            res.status = answers_[i].status;
            res.set_content(answers_[i].body, "text/plain");
        });
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
        while (!server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ~ScriptedServer()
    {
        server.stop();
        thread.join();
    }
    httplib::Server server;
    std::thread thread;
    int port = 0;

private:
    std::vector<Answer> answers_;
    std::atomic<size_t> next_{0};
};

TEST_F(PollTest, keepsPollingThroughBadAnswersFromARealServer)
{
    // The lists travel in GBK, as the service sends them.
    const std::string base = GbkCodec::encode(list()).toStdString();
    const std::string changed =
        GbkCodec::encode(list({{5, "5,新标题5,类别5,/nc/item.asp?id=5"}})).toStdString();
    ScriptedServer srv({{200, base},
                        {500, "<html><body>Internal error</body></html>"},
                        {200, ""},
                        {500, "boom"},
                        {200, std::string(1 << 19, 'x') + "\r\n" + std::string(10000, ',')},
                        {200, "\x81\xFF\xFE,\x80"},
                        {200, std::string(2 << 20, 'y')},
                        {200, base},
                        {200, changed}});
    mod_Main::ServerLines[0] = QStringLiteral("http://127.0.0.1:%1").arg(srv.port);
    poll.setFetcher([](const QString& url) { return FetchPageText(url, "GB2312"); });

    QStringList last;
    for (int i = 0; i < 9; ++i) {
        host.calls.clear();
        poll.Timer1_Timer();
        EXPECT_EQ(poll.t, 0);
        last = host.calls;
    }
    // The odd answers became baselines in turn; the last change is announced against the list
    // before it, with the new title.
    EXPECT_EQ(last, (QStringList{"msn 类别5|新标题5|http://127.0.0.1:" + QString::number(srv.port) +
                                     "/nc/item.asp?id=5",
                                 "wav /opt/zv/ts1.wav 1 5"}));
    EXPECT_EQ(poll.bak, list({{5, "5,新标题5,类别5,/nc/item.asp?id=5"}}));
}

} // namespace
