// The page fetch against the test site: decoding, error pages (failures), empty bodies,
// and the bounds that keep a stalled or endless answer from holding the poll.
#include "net/pagefetch.h"
#include "support/testsite.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTimer>
#include <QUrlQuery>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace
{

// The pages the fetch is tried on.
class PageFetch : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // "新信息,标题" in GBK, then ASCII.
        site.page("/gbk", "\xD0\xC2\xD0\xC5\xCF\xA2,\xB1\xEA\xCC\xE2\r\nabc", "text/plain");
        site.page("/ascii", "0,plain,ascii,/p", "text/plain");
        site.page("/error", {500, "\xB4\xED\xCE\xF3 500"}, "text/plain");
        site.page("/unavailable", {503, "Service Unavailable"}, "text/plain");
        site.page("/created", {201, "made"}, "text/plain");
        site.page("/empty", "", "text/plain");
        site.page("/invalid", "A\x81\x20Z\xFF", "text/plain");
        site.page("/big", std::string(5 * 1024 * 1024, 'x'), "text/plain");
        site.endless("/endless");
        site.stall("/stall", "late");
        site.handle(
            "/query",
            [](const SiteRequest& r) {
                return QUrlQuery(r.query).queryItemValue("s", QUrl::FullyDecoded).toStdString();
            },
            "text/plain");
    }

    TestSite site;
};

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

TEST_F(PageFetch, answersComeBackDecoded)
{
    const struct {
        const char* path;
        std::optional<QString> expected;
    } cases[] = {
        {"/gbk", QStringLiteral("新信息,标题\r\nabc")},
        {"/ascii", QStringLiteral("0,plain,ascii,/p")},
        {"/error", std::nullopt}, // an error page is no answer
        {"/unavailable", std::nullopt},
        {"/empty", QString()},
        {"/invalid", QStringLiteral("A\uFFFD Z\uFFFD")},
        {"/big", std::nullopt},     // past the body cap
        {"/endless", std::nullopt}, // cut off at the cap
        {"/missing", std::nullopt}, // 404
        {"/created", QStringLiteral("made")},
    };
    for (const auto& c : cases) {
        const auto got = FetchPageText(site.url(c.path), QStringLiteral("GB2312"));
        EXPECT_EQ(got, c.expected) << c.path;
        if (got && c.expected) {
            EXPECT_EQ(got->isEmpty(), c.expected->isEmpty()) << c.path;
        }
    }
}

TEST_F(PageFetch, transportFailuresAreFailures)
{
    // A port nobody listens on: refused at once, long before the time bound.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const int freePort = probe.serverPort();
    probe.close();
    QElapsedTimer wall;
    wall.start();
    EXPECT_EQ(FetchPageText(QStringLiteral("http://127.0.0.1:%1/x").arg(freePort), "GB2312"),
              std::nullopt);
    EXPECT_LT(wall.elapsed(), 5000);
    EXPECT_EQ(FetchPageText(QStringLiteral("not a url"), "GB2312"), std::nullopt);
}

TEST_F(PageFetch, queryBlankTravelsEncoded)
{
    EXPECT_EQ(FetchPageText(site.url("/query?s=2008-5-17%209:03:27"), "GB2312"),
              std::optional<QString>("2008-5-17 9:03:27"));
}

TEST_F(PageFetch, stalledAnswerGivesUpWithoutSpinningAndKeepsEventsFlowing)
{
    int ticks = 0;
    QTimer ui;
    QObject::connect(&ui, &QTimer::timeout, [&] { ++ticks; });
    ui.start(20);

    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    const auto got = FetchPageText(site.url("/stall"), "GB2312", FetchLimits{1500, 1 << 20});
    const qint64 ms = wall.elapsed();
    const double cpu = cpuSeconds() - cpuBefore;
    ui.stop();

    EXPECT_EQ(got, std::nullopt);
    EXPECT_GE(ms, 1400);
    EXPECT_LT(ms, 4000);
    EXPECT_GE(ticks, 20); // the user interface kept running meanwhile
    // A spinning wait would burn about 1.5 s of CPU time here.
    EXPECT_LT(cpu, 0.5) << "CPU seconds during a 1.5 s stall: " << cpu;
    std::printf("CPU time during a %lld ms stalled fetch: %.3f s\n", static_cast<long long>(ms),
                cpu);
}

TEST_F(PageFetch, aCompleteAnswerOutlivesTheTimeLimitWhileAModalWaitRuns)
{
    // A handler that runs during the wait (a message box the member leaves open) keeps the
    // fetch from returning past its time limit; the answer that came meanwhile still counts.
    QTimer::singleShot(0, [] {
        QEventLoop modal;
        QTimer::singleShot(1200, &modal, &QEventLoop::quit);
        modal.exec();
    });
    const auto got = FetchPageText(site.url("/ascii"), "GB2312", FetchLimits{400, 1 << 20});
    EXPECT_EQ(got, std::optional<QString>("0,plain,ascii,/p"));
}

TEST(BytesToText, charsetNames)
{
    const QByteArray gbk("\xD6\xD0\xCE\xC4"); // 中文
    EXPECT_EQ(BytesToText(gbk, "GB2312"), QStringLiteral("中文"));
    EXPECT_EQ(BytesToText(gbk, "gbk"), QStringLiteral("中文"));
    EXPECT_EQ(BytesToText("\xE4\xB8\xAD", "UTF-8"), QStringLiteral("中"));
    EXPECT_EQ(BytesToText("ab\xD6", "GB2312"), QStringLiteral("ab\uFFFD")); // cut-off pair
    EXPECT_EQ(BytesToText("ab\xC3", "no-such-charset"), QStringLiteral("ab\uFFFD"));
}

} // namespace
