// The real program on a network as a member meets it: a service that gives its lists only to a
// visitor of its member page, a desktop proxy without which nothing is reachable, a site of the
// member page's shape that must never receive the saved login, and a network that comes up only
// after the program has started.
#include "harness/devtoolsclient.h"
#include "harness/harness.h"
#include "harness/testproxy.h"

#include <QProcessEnvironment>
#include <QUrl>
#include <gtest/gtest.h>

using namespace harness;

namespace
{

const QByteArray Login = "[mima]\r\nmima=1\r\nuser=member01\r\npass=pa55word\r\n";
const QByteArray OnlyJgmh = "[config]\r\njgmh=1\r\n";

// The message list whose line 5 (机构密函, the category chosen here) carries item n.
QString messageList(int n)
{
    QStringList rows;
    for (int i = 0; i < 8; ++i)
        rows << QStringLiteral("%1,标题%1,类别%1,/nc/show.asp?id=%1").arg(100 + i);
    rows[5] = QStringLiteral("%1,会员通知%1,机构密函,/nc/show.asp?id=%1").arg(800 + n);
    return rows.join(QStringLiteral("\r\n"));
}

bool isPath(const LogEntry& e, const char* path)
{
    return e.path == QLatin1String(path);
}

// What the proxy was asked for and answered, for a failure's message.
std::string described(const QList<TestProxy::Entry>& log)
{
    std::string text = "the proxy was asked for " + std::to_string(log.size()) + ":\n";
    for (const TestProxy::Entry& e : log)
        text += "  " + std::to_string(e.status) + " " + e.method.toStdString() + " " +
                e.url.toStdString() + "\n";
    return text;
}

class NetworkEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Desktop& d = Desktop::instance();
        ASSERT_TRUE(d.started()) << d.error().toStdString();
        // A service that gives its lists only to a visit of its member page.
        ASSERT_TRUE(service.start({QStringLiteral("--require-session")}))
            << service.error().toStdString();
        ASSERT_TRUE(service.setList(QStringLiteral("tx"), messageList(0)));
    }

    // A one-second poll, and the desktop's proxy as given (empty: none).
    static QProcessEnvironment environment(const QString& proxy)
    {
        QProcessEnvironment env;
        env.insert(QStringLiteral("ZV_TEST_POLL_MS"), QStringLiteral("1000"));
        for (const char* name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY",
                                 "all_proxy", "ALL_PROXY", "no_proxy", "NO_PROXY"})
            env.insert(QString::fromLatin1(name), QString());
        if (!proxy.isEmpty())
            env.insert(QStringLiteral("http_proxy"), proxy);
        return env;
    }

    // The login frame reported the saved password typed into it.
    bool loginTyped(int timeoutMs)
    {
        return service
            .waitForRequest(
                [](const LogEntry& e) {
                    return isPath(e, "/nc/fields.asp") &&
                           e.queryItem(QStringLiteral("UserPassword")) == QLatin1String("pa55word");
                },
                timeoutMs)
            .has_value();
    }

    // A changed line 5 is announced with one popup.
    void expectAnnounced(Program& zv, int n)
    {
        ASSERT_TRUE(service.setList(QStringLiteral("tx"), messageList(n)));
        EXPECT_TRUE(zv.waitForTrace(QStringLiteral("popup"),
                                    QStringLiteral("会员通知%1").arg(800 + n), 15000));
    }

    DevService service;
};

TEST_F(NetworkEndToEnd, pollsCarryTheMembersSessionAndAnnounceChanges)
{
    Program zv({.config = OnlyJgmh, .extraEnv = environment({})});
    ASSERT_TRUE(zv.start()) << zv.error().toStdString();
    ASSERT_NE(zv.waitForMainWindow(), 0u);
    // The visit cookie the member page set goes out with the list requests.
    const auto poll = service.waitForRequest(
        [](const LogEntry& e) {
            return isPath(e, "/nc/tx.asp") &&
                   e.header(QStringLiteral("Cookie")).contains(QLatin1String("ASPSESSIONID"));
        },
        30000);
    ASSERT_TRUE(poll.has_value());
    expectAnnounced(zv, 1);
    EXPECT_EQ(zv.traceOf(QStringLiteral("popup")).size(), 1);
}

TEST_F(NetworkEndToEnd, everythingGoesThroughTheDesktopsProxy)
{
    TestProxy proxy;
    ASSERT_TRUE(proxy.start());
    // A build whose lines are host names only the proxy resolves.
    Program zv({.config = Login + OnlyJgmh,
                .executable = QStringLiteral(ZV_NAMED_PROGRAM_EXE),
                .extraEnv = environment(proxy.url())});
    ASSERT_TRUE(zv.start()) << zv.error().toStdString();
    ASSERT_NE(zv.waitForMainWindow(), 0u);
    const QString line0 = TestProxy::namedUrl(DevService::lineUrl(0));

    // The member page loads through the proxy, and its own login frame gets the saved login.
    const auto filled = service.waitForRequest(
        [](const LogEntry& e) {
            return isPath(e, "/nc/fields.asp") &&
                   e.queryItem(QStringLiteral("UserName")) == QLatin1String("member01");
        },
        30000);
    ASSERT_TRUE(filled.has_value()) << described(proxy.log());
    EXPECT_EQ(QStringLiteral("http://") + filled->host, line0);
    // The polls go through it too, with the member's session.
    EXPECT_TRUE(waitUntil(
        [&] {
            for (const TestProxy::Entry& e : proxy.log()) {
                if (e.url.startsWith(line0 + QStringLiteral("/nc/tx.asp?s=")) &&
                    e.cookie.contains(QLatin1String("ASPSESSIONID")) && e.status == 200)
                    return true;
            }
            return false;
        },
        15000));
    expectAnnounced(zv, 1);
    // Nothing reached the service but through the proxy, which asks by the names.
    for (const LogEntry& e : service.log())
        EXPECT_TRUE(
            e.host.endsWith(QLatin1String(".zv.test:") + QString::number(QUrl(line0).port())))
            << e.host.toStdString() << " " << e.path.toStdString();
}

TEST_F(NetworkEndToEnd, withoutTheProxyNothingArrivesAndTheProgramGoesOn)
{
    Program zv({.config = Login + OnlyJgmh,
                .executable = QStringLiteral(ZV_NAMED_PROGRAM_EXE),
                .extraEnv = environment({})});
    ASSERT_TRUE(zv.start()) << zv.error().toStdString();
    const WindowId w = zv.waitForMainWindow();
    ASSERT_NE(w, 0u);
    waitUntil([] { return false; }, 5000); // five polls' time
    ASSERT_TRUE(service.setList(QStringLiteral("tx"), messageList(1)));
    waitUntil([] { return false; }, 2000);
    EXPECT_TRUE(service.log().isEmpty()) << service.log().first().path.toStdString();
    EXPECT_TRUE(zv.traceOf(QStringLiteral("popup")).isEmpty());
    EXPECT_TRUE(zv.running());
    EXPECT_TRUE(isMapped(w));
}

TEST_F(NetworkEndToEnd, theSavedLoginIsTypedOnlyIntoTheServicesOwnPages)
{
    DevToolsClient devtools(DevToolsClient::freePort());
    QProcessEnvironment env = environment({});
    env.insert(QStringLiteral("QTWEBENGINE_REMOTE_DEBUGGING"), devtools.environmentValue());
    Program zv({.config = Login, .extraEnv = env});
    ASSERT_TRUE(zv.start()) << zv.error().toStdString();
    ASSERT_NE(zv.waitForMainWindow(), 0u);
    const QString foreignHost = QUrl(DevService::foreignUrl()).authority();

    // The service's own login frame is filled.
    ASSERT_TRUE(loginTyped(30000));

    // A link of the member page takes the whole window to another site of the same shape.
    const auto page = devtools.waitForPage([](const DevToolsClient::Target& t) {
        return t.url.endsWith(QLatin1String("/nc/i88-62.asp"));
    });
    ASSERT_TRUE(page.has_value());
    const auto clicked = devtools.evaluate(
        *page, QStringLiteral("window.frames['menu'].document.getElementById('lnk-foreign')"
                              ".click(), true"));
    ASSERT_TRUE(clicked && clicked->toBool());
    auto isForeignReport = [&](const LogEntry& e) {
        return e.host == foreignHost && isPath(e, "/nc/fields.asp");
    };
    ASSERT_TRUE(service.waitForRequest(isForeignReport, 15000).has_value())
        << "the foreign page did not load";
    // Several ticks of the login timer later, its fields hold nothing.
    waitUntil([] { return false; }, 5000);
    int reports = 0;
    for (const LogEntry& e : service.log()) {
        if (e.host != foreignHost)
            continue;
        EXPECT_NE(e.method, QLatin1String("POST")) << e.path.toStdString();
        if (!isForeignReport(e))
            continue;
        ++reports;
        EXPECT_EQ(e.queryItem(QStringLiteral("UserName")), QString()) << e.query.toStdString();
        EXPECT_EQ(e.queryItem(QStringLiteral("UserPassword")), QString()) << e.query.toStdString();
    }
    EXPECT_GE(reports, 1);
    EXPECT_TRUE(zv.running());
}

// No server answers on any line when the program starts (the Wi-Fi or a VPN is not up yet); the
// service comes 12 s after the main window. The member page comes back by itself, with its four
// frames and the saved login typed, without a click; a dead network was not hammered meanwhile
// and no message box is left behind.
TEST_F(NetworkEndToEnd, theMemberPageComesBackByItselfWhenTheNetworkDoes)
{
    service.stop();
    Program zv({.config = Login, .extraEnv = environment({})});
    ASSERT_TRUE(zv.start()) << zv.error().toStdString();
    ASSERT_NE(zv.waitForMainWindow(), 0u);
    waitUntil([] { return false; }, 12000);
    EXPECT_LE(zv.traceOf(QStringLiteral("retry")).size(), 4);

    ASSERT_TRUE(service.start({QStringLiteral("--require-session")}))
        << service.error().toStdString();
    ASSERT_TRUE(service.setList(QStringLiteral("tx"), messageList(0)));
    EXPECT_TRUE(service.waitForPath(QStringLiteral("/nc/i88-62.asp"), 30000).has_value())
        << zv.trace().join('\n').toStdString();
    EXPECT_TRUE(service.waitForPath(QStringLiteral("/nc/main.asp"), 15000).has_value());
    EXPECT_TRUE(loginTyped(20000)) << "the saved login was not typed into the fourth frame";
    EXPECT_TRUE(zv.traceOf(QStringLiteral("msgbox")).isEmpty());
}

} // namespace
