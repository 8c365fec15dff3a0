// The development service under the harness: it answers on the build's lines, serves the lists
// it is given and logs what the client asked for; and the log parser copes with what it sends.
#include "harness/harness.h"

#include <QUrl>

#include <gmock/gmock.h>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <httplib.h>

using namespace harness;

namespace
{

// A plain GET as the client would make it: status and body bytes.
std::pair<int, QByteArray> get(const QString& base, const QString& target)
{
    const QUrl url(base);
    httplib::Client client(url.host().toStdString(), url.port());
    client.set_read_timeout(std::chrono::seconds(5));
    auto r = client.Get(target.toStdString());
    if (!r)
        return {0, {}};
    return {r->status, QByteArray::fromStdString(r->body)};
}

} // namespace

TEST(RequestLog, parsesEntriesHeadersAndBodies)
{
    const QByteArray lines =
        "{\"seq\":3,\"time_ms\":17,\"method\":\"GET\",\"host\":\"127.0.0.2:18062\","
        "\"path\":\"/nc/tx.asp\",\"query\":\"s=2026-12-07%2010:00:00\","
        "\"headers\":{\"User-Agent\":\"zv\",\"Accept\":\"*/*, text/html\"},\"body\":\"\"}\n"
        "not json at all\n"
        "\n"
        "{\"seq\":4,\"method\":\"POST\",\"host\":\"h\",\"path\":\"/p\",\"query\":\"\","
        "\"headers\":{},\"body_base64\":\"0+Oz\"}\n"
        "{\"seq\":5,\"method\":\"POST\",\"path\":\"/q\",\"headers\":{},\"body\":\"a=%C4&b=1\"}";
    const QList<LogEntry> log = parseRequestLog(lines);
    ASSERT_EQ(log.size(), 3);
    EXPECT_EQ(log[0].seq, 3);
    EXPECT_EQ(log[0].timeMs, 17);
    EXPECT_EQ(log[0].host, QStringLiteral("127.0.0.2:18062"));
    EXPECT_EQ(log[0].path, QStringLiteral("/nc/tx.asp"));
    EXPECT_EQ(log[0].queryItem(QStringLiteral("s")), QStringLiteral("2026-12-07 10:00:00"));
    EXPECT_EQ(log[0].header(QStringLiteral("user-agent")), QStringLiteral("zv"));
    EXPECT_EQ(log[0].header(QStringLiteral("Accept")), QStringLiteral("*/*, text/html"));
    EXPECT_TRUE(log[0].header(QStringLiteral("Referer")).isEmpty());
    EXPECT_EQ(log[1].body, QByteArray("\xd3\xe3\xb3")); // bytes that are not UTF-8 come as base64
    EXPECT_EQ(log[2].body, QByteArray("a=%C4&b=1"));
    EXPECT_TRUE(log[2].host.isEmpty());
}

class Service : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(service.start()) << service.error().toStdString(); }
    DevService service;
};

TEST_F(Service, answersOnEveryLineAndLogsRequests)
{
    ASSERT_TRUE(service.running());
    ASSERT_TRUE(service.clearLog());
    for (int line = 0; line < 4; ++line) {
        const auto [status, body] =
            get(DevService::lineUrl(line), QStringLiteral("/nc/i88-62.asp"));
        EXPECT_EQ(status, 200) << "line " << line;
        EXPECT_TRUE(body.contains("frameset") || body.contains("FRAMESET")) << "line " << line;
    }
    const QList<LogEntry> log = service.log();
    ASSERT_EQ(log.size(), 4);
    for (int line = 0; line < 4; ++line) {
        EXPECT_EQ(log[line].method, QStringLiteral("GET"));
        EXPECT_EQ(log[line].path, QStringLiteral("/nc/i88-62.asp"));
        EXPECT_EQ(QStringLiteral("http://") + log[line].host, DevService::lineUrl(line));
    }
    // Control requests themselves are not in the log.
    EXPECT_EQ(service.log().size(), 4);
    ASSERT_TRUE(service.clearLog());
    EXPECT_TRUE(service.log().isEmpty());
}

TEST_F(Service, servesTheListItIsGivenAsGbk)
{
    ASSERT_TRUE(service.setList(QStringLiteral("tx"), QStringLiteral("1,标题,栏目,/nc/a.asp\r\n")));
    const auto [status, body] =
        get(DevService::lineUrl(3), QStringLiteral("/nc/tx.asp?s=2026-12-07%2010:00:00"));
    EXPECT_EQ(status, 200);
    EXPECT_EQ(body, QByteArray("1,\xb1\xea\xcc\xe2,\xc0\xb8\xc4\xbf,/nc/a.asp\r\n"));

    ASSERT_TRUE(service.setListRaw(QStringLiteral("tx"), QByteArray("\xff\xfe\r\n")));
    EXPECT_EQ(get(DevService::lineUrl(0), QStringLiteral("/nc/tx.asp?s=1")).second,
              QByteArray("\xff\xfe\r\n"));

    ASSERT_TRUE(service.setList(QStringLiteral("tx"), QStringLiteral("x"), {.status = 500}));
    EXPECT_EQ(get(DevService::lineUrl(0), QStringLiteral("/nc/tx.asp?s=1")).first, 500);

    const auto seen = service.waitForRequest(
        [](const LogEntry& e) {
            return e.path == QLatin1String("/nc/tx.asp") &&
                   e.host.startsWith(QLatin1String("127.0.0.1:18803"));
        },
        2000);
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(seen->queryItem(QStringLiteral("s")), QStringLiteral("2026-12-07 10:00:00"));

    ASSERT_TRUE(service.reset());
    EXPECT_TRUE(service.log().isEmpty());
}

TEST_F(Service, waitForRequestRunsOutWithAClearMessage)
{
    ::testing::TestPartResultArray failures;
    std::optional<LogEntry> none;
    {
        ::testing::ScopedFakeTestPartResultReporter catcher(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
        none = service.waitForPath(QStringLiteral("/never"), 300);
    }
    EXPECT_FALSE(none.has_value());
    ASSERT_EQ(failures.size(), 1);
    EXPECT_THAT(failures.GetTestPartResult(0).message(),
                ::testing::HasSubstr("no matching request within 300 ms"));
}

TEST_F(Service, stopsWithoutLeavingItsProcess)
{
    const qint64 pid = service.pid();
    ASSERT_GT(pid, 0);
    service.stop();
    EXPECT_FALSE(service.running());
    EXPECT_FALSE(processAlive(pid));
    EXPECT_EQ(get(DevService::lineUrl(0), QStringLiteral("/_dev/log")).first, 0);
}
