// The page fetch against a small local server: decoding, error pages (failures), empty bodies,
// and the bounds that keep a stalled or endless answer from holding the poll.
#include "net/pagefetch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <httplib.h>
#include <sys/resource.h>
#include <thread>

namespace
{

class LocalServer
{
public:
    LocalServer()
    {
        auto text = [](const std::string& body, int status = 200) {
            return [body, status](const httplib::Request&, httplib::Response& res) {
                res.status = status;
                res.set_content(body, "text/plain");
            };
        };
        // "新信息,标题" in GBK, then ASCII.
        server.Get("/gbk", text("\xD0\xC2\xD0\xC5\xCF\xA2,\xB1\xEA\xCC\xE2\r\nabc"));
        server.Get("/ascii", text("0,plain,ascii,/p"));
        server.Get("/error", text("\xB4\xED\xCE\xF3 500", 500));
        server.Get("/unavailable", text("Service Unavailable", 503));
        server.Get("/created", text("made", 201));
        server.Get("/empty", text(""));
        server.Get("/invalid", text("A\x81\x20Z\xFF"));
        server.Get("/big", text(std::string(5 * 1024 * 1024, 'x')));
        server.Get("/endless", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/plain", [](size_t, httplib::DataSink& sink) {
                static const std::string chunk(64 * 1024, 'y');
                return sink.write(chunk.data(), chunk.size());
            });
        });
        server.Get("/stall", [this](const httplib::Request&, httplib::Response& res) {
            for (int i = 0; i < 500 && !stopping; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            res.set_content("late", "text/plain");
        });
        server.Get("/query", [](const httplib::Request& req, httplib::Response& res) {
            res.set_content(req.get_param_value("s"), "text/plain");
        });
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
        while (!server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ~LocalServer()
    {
        stopping = true;
        server.stop();
        thread.join();
    }
    QString url(const char* path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(QLatin1String(path));
    }

    httplib::Server server;
    std::thread thread;
    int port = 0;
    std::atomic<bool> stopping{false};
};

LocalServer& server()
{
    static LocalServer s;
    return s;
}

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

TEST(PageFetch, answersComeBackDecoded)
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
        const auto got = FetchPageText(server().url(c.path), QStringLiteral("GB2312"));
        EXPECT_EQ(got, c.expected) << c.path;
        if (got && c.expected) {
            EXPECT_EQ(got->isEmpty(), c.expected->isEmpty()) << c.path;
        }
    }
}

TEST(PageFetch, transportFailuresAreFailures)
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

TEST(PageFetch, queryBlankTravelsEncoded)
{
    EXPECT_EQ(FetchPageText(server().url("/query?s=2008-5-17%209:03:27"), "GB2312"),
              std::optional<QString>("2008-5-17 9:03:27"));
}

TEST(PageFetch, stalledAnswerGivesUpWithoutSpinningAndKeepsEventsFlowing)
{
    int ticks = 0;
    QTimer ui;
    QObject::connect(&ui, &QTimer::timeout, [&] { ++ticks; });
    ui.start(20);

    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    const auto got = FetchPageText(server().url("/stall"), "GB2312", FetchLimits{1500, 1 << 20});
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

TEST(PageFetch, aCompleteAnswerOutlivesTheTimeLimitWhileAModalWaitRuns)
{
    // A handler that runs during the wait (a message box the member leaves open) keeps the
    // fetch from returning past its time limit; the answer that came meanwhile still counts.
    QTimer::singleShot(0, [] {
        QEventLoop modal;
        QTimer::singleShot(1200, &modal, &QEventLoop::quit);
        modal.exec();
    });
    const auto got = FetchPageText(server().url("/ascii"), "GB2312", FetchLimits{400, 1 << 20});
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
