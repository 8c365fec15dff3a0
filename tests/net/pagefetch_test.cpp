// The page fetch against the test site: decoding, error pages (failures), empty bodies,
// and the bounds that keep a stalled or endless answer from holding the poll.
#include "net/pagefetch.h"
#include "support/testsite.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
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

// A server that answers every request with the same bytes, as they stand, and then hangs up:
// answers that a well-behaved HTTP library would not send.
class RawSite
{
public:
    explicit RawSite(QByteArray answer) : answer_(std::move(answer))
    {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    request_ += socket->readAll();
                    if (!request_.contains("\r\n\r\n"))
                        return;
                    request_.clear();
                    socket->write(answer_);
                    socket->disconnectFromHost();
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    QString url() const
    {
        return QStringLiteral("http://127.0.0.1:%1/x").arg(server_.serverPort());
    }

private:
    QTcpServer server_;
    QByteArray answer_;
    QByteArray request_;
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

TEST_F(PageFetch, onlyACompleteAnswerIsAnAnswer)
{
    // "0,gzip,answer,/p" and CRLF three times, gzip-compressed: 41 bytes.
    const std::string gzipped("\x1F\x8B\x08\x00\x00\x00\x00\x00\x02\x03\x33\xD0\x49\xAF\xCA\x2C"
                              "\xD0\x49\xCC\x2B\x2E\x4F\x2D\xD2\xD1\x2F\xE0\xE5\x32\x20\x42\x04"
                              "\x00\x39\x40\xDD\x6E\x36\x00\x00\x00",
                              41);
    // "0,deflate,/p" with its zlib frame (20 bytes) and bare (the 14 bytes inside).
    const std::string deflated("\x78\x9C\x33\xD0\x49\x49\x4D\xCB\x49\x2C\x49\xD5\xD1\x2F\x00\x00"
                               "\x19\x39\x03\xFD",
                               20);
    // Served as bytes, so that the server does not compress them once more.
    const auto coded = [&](const std::string& path, const std::string& body,
                           const std::string& coding = "gzip") {
        site.page(path, body, "application/octet-stream", {{"Content-Encoding", coding}});
        return FetchPageText(site.url(QString::fromStdString(path)), "GB2312");
    };
    const std::optional<QString> failed;
    EXPECT_EQ(coded("/gzip", gzipped),
              std::optional<QString>(QStringLiteral("0,gzip,answer,/p\r\n").repeated(3)));
    EXPECT_EQ(coded("/gzip-cut", gzipped.substr(0, 24)), failed); // inside the compressed data
    EXPECT_EQ(coded("/gzip-no-trailer", gzipped.substr(0, 33)), failed); // no checksum
    EXPECT_EQ(coded("/gzip-broken", gzipped.substr(0, 10) + "this is no deflate data"), failed);
    // Two members one after the other are one body; bytes after the last are no member.
    EXPECT_EQ(coded("/gzip-twice", gzipped + gzipped),
              std::optional<QString>(QStringLiteral("0,gzip,answer,/p\r\n").repeated(6)));
    EXPECT_EQ(coded("/gzip-trailing", gzipped + "junk"), failed);
    EXPECT_EQ(coded("/deflate", deflated, "deflate"), std::optional<QString>("0,deflate,/p"));
    EXPECT_EQ(coded("/deflate-bare", deflated.substr(2, 14), "deflate"),
              std::optional<QString>("0,deflate,/p"));
    EXPECT_EQ(coded("/brotli", "0,not,asked,/p", "br"), failed);
    // The size bound holds for what the compressed body becomes: 41 bytes sent, 54 decoded.
    EXPECT_EQ(FetchPageText(site.url("/gzip"), "GB2312", FetchLimits{20000, 50}), failed);

    // The server hangs up before the length it announced.
    RawSite shortBody("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0,cut,short,/p");
    EXPECT_EQ(FetchPageText(shortBody.url(), "GB2312"), failed);
    // A body that ends with the connection, as HTTP/1.0 allows, is whole.
    RawSite untilClose("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n0,whole,close,/p");
    EXPECT_EQ(FetchPageText(untilClose.url(), "GB2312"),
              std::optional<QString>(QStringLiteral("0,whole,close,/p")));
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
    // The limit leaves a loopback answer ample time even on a machine busy compiling and running
    // other tests; the modal wait outlasts the limit.
    QTimer::singleShot(0, [] {
        QEventLoop modal;
        QTimer::singleShot(3000, &modal, &QEventLoop::quit);
        modal.exec();
    });
    const auto got = FetchPageText(site.url("/ascii"), "GB2312", FetchLimits{2500, 1 << 20});
    EXPECT_EQ(got, std::optional<QString>("0,plain,ascii,/p"));
}

TEST(PageFetchLimits, aMembersFetchGivesUpAfterTwentySecondsOrAMegabyte)
{
    // Test runs of the program may shorten the time (ZV_TEST_FETCH_MS); a member's never does.
    ASSERT_TRUE(qEnvironmentVariableIsEmpty("ZV_TEST_FETCH_MS"));
    EXPECT_EQ(defaultFetchLimits().timeoutMs, 20000);
    EXPECT_EQ(defaultFetchLimits().maxBytes, 1024 * 1024);
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
