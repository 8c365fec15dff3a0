// The member page's new-window requests in the real program: our own browser windows for the
// service's pages, the default browser for the marketplace, nothing for local addresses or other
// programs' schemes, and only a few windows for a page that opens them on its own.
#include "harness/devtoolsclient.h"
#include "harness/harness.h"

#include <QDir>
#include <QFile>
#include <QJsonValue>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <memory>

using namespace harness;

namespace
{

const QString kForm4Caption = QStringLiteral("首席Zelvar          提示：全屏查看效果更佳");
// How long a request that should open nothing is given to show something after all.
constexpr int kQuietMs = 2000;

class BrowserWindowE2E : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        Desktop& d = Desktop::instance();
        if (!d.started())
            return;
        service_ = std::make_unique<DevService>();
        if (!service_->start())
            return;
        devtools_ = std::make_unique<DevToolsClient>(DevToolsClient::freePort());
        // The desktop's opener, as the program would find it: records what it is given.
        shims_ = std::make_unique<QTemporaryDir>();
        const QString opener = shims_->filePath(QStringLiteral("xdg-open"));
        QFile script(opener);
        if (!script.open(QIODevice::WriteOnly))
            return;
        script.write("#!/bin/sh\necho \"$@\" >>\"$(dirname \"$0\")/opened\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        Program::Options options;
        options.config = QByteArray("[config]\r\nxianlu=0\r\n");
        options.extraEnv.insert(QStringLiteral("QTWEBENGINE_REMOTE_DEBUGGING"),
                                devtools_->environmentValue());
        options.extraEnv.insert(QStringLiteral("PATH"),
                                shims_->path() + QLatin1Char(':') + qEnvironmentVariable("PATH"));
        program_ = std::make_unique<Program>(options);
        if (!program_->start())
            return;
        if (program_->waitForMainWindow() == 0)
            return;
        // The member page with its menu frame loaded.
        ready_ = devtools_
                     ->waitForPage(
                         [](const DevToolsClient::Target& t) {
                             if (!t.url.endsWith(QLatin1String("/nc/i88-62.asp")))
                                 return false;
                             const auto v = devtools_->evaluate(
                                 t,
                                 QStringLiteral("!!(window.frames['menu'] && "
                                                "window.frames['menu'].document."
                                                "getElementById('lnk-blank'))"),
                                 false);
                             return v && v->toBool();
                         },
                         30000)
                     .has_value();
    }

    static void TearDownTestSuite()
    {
        program_.reset();
        service_.reset();
        devtools_.reset();
        shims_.reset();
    }

    // The engine counts what a page does in the seconds after a click as the member's doing (its
    // transient activation); a page acting on its own is one whose last click is that long ago.
    static bool waitUntilNoRecentClick(const DevToolsClient::Target& page)
    {
        return waitUntil(
            [&] {
                const auto v = devtools_->evaluate(
                    page,
                    QStringLiteral("!navigator.userActivation.isActive && "
                                   "!window.frames['news'].navigator.userActivation.isActive"),
                    false);
                return v && v->toBool();
            },
            10000);
    }

    // What reached the desktop's opener.
    static QString openedOnTheDesktop()
    {
        QFile f(shims_->filePath(QStringLiteral("opened")));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    void SetUp() override
    {
        ASSERT_TRUE(ready_) << "program or service did not come up\n"
                            << (program_ ? program_->error().toStdString() : std::string())
                            << (service_ ? service_->error().toStdString() : std::string())
                            << describeWindows().toStdString();
        ASSERT_TRUE(service_->clearLog());
        ASSERT_EQ(browserWindows().size(), 0);
    }

    void TearDown() override
    {
        if (!ready_)
            return;
        for (WindowId w : browserWindows())
            closeWindow(w);
        EXPECT_TRUE(waitForNoWindow(kForm4Caption, 10000, program_->pid()));
        EXPECT_TRUE(program_->running());
    }

    static QList<WindowId> browserWindows()
    {
        QList<WindowId> mapped;
        for (WindowId w : findWindows(kForm4Caption, program_->pid()))
            if (isMapped(w))
                mapped.append(w);
        return mapped;
    }

    static std::optional<DevToolsClient::Target> memberPage()
    {
        for (const DevToolsClient::Target& t : devtools_->pages())
            if (t.url.endsWith(QLatin1String("/nc/i88-62.asp")))
                return t;
        return std::nullopt;
    }

    // Clicks an element of the member page's menu frame, as the member would.
    static void clickInMenu(const QString& id)
    {
        const auto page = memberPage();
        ASSERT_TRUE(page.has_value());
        const auto clicked = devtools_->evaluate(
            *page, QStringLiteral("(() => { const e = window.frames['menu'].document"
                                  ".getElementById('%1'); if (!e) return false; e.click(); "
                                  "return true; })()")
                       .arg(id));
        ASSERT_TRUE(clicked && clicked->toBool()) << id.toStdString();
    }

    static std::optional<DevToolsClient::Target> waitForPageAt(const QString& urlPart)
    {
        return devtools_->waitForPage(
            [&urlPart](const DevToolsClient::Target& t) { return t.url.contains(urlPart); });
    }

    // Waits for exactly one browser window and checks that no other shows up after it.
    static WindowId expectOneBrowserWindow()
    {
        const WindowId w = waitForWindow(kForm4Caption, 15000, program_->pid());
        if (w == 0)
            return 0;
        QThread::msleep(500);
        EXPECT_EQ(browserWindows().size(), 1) << describeWindows().toStdString();
        EXPECT_FALSE(netWmState(w).contains(QStringLiteral("_NET_WM_STATE_SKIP_TASKBAR")));
        return w;
    }

    static void expectNoBrowserWindowFor(int ms)
    {
        waitUntil([] { return !browserWindows().isEmpty(); }, ms);
        EXPECT_TRUE(browserWindows().isEmpty()) << describeWindows().toStdString();
    }

    static inline std::unique_ptr<DevService> service_;
    static inline std::unique_ptr<QTemporaryDir> shims_;
    static inline std::unique_ptr<DevToolsClient> devtools_;
    static inline std::unique_ptr<Program> program_;
    static inline bool ready_ = false;
};

// First, while no click of the member's is recent: a page acting on its own.
TEST_F(BrowserWindowE2E, linksToOtherProgramsStayInAndAClickedMailLinkGoesToTheMailProgram)
{
    const auto page = memberPage();
    ASSERT_TRUE(page.has_value());
    // Links of the member page's third frame, as a page of any site could have them.
    const auto added = devtools_->evaluate(
        *page, QStringLiteral("(() => { const d = window.frames['news'].document;"
                              "for (const [id, href] of [['zvx', 'zvx-test:run-this'],"
                              "    ['apt', 'apt:zvkb'],"
                              "    ['mail', 'mailto:member@example.test?attachment=config.ini"
                              "&subject=zv']]) {"
                              "  const a = d.createElement('a'); a.id = id; a.href = href;"
                              "  a.textContent = id; d.body.appendChild(a); }"
                              "return true; })()"));
    ASSERT_TRUE(added && added->toBool());
    const auto clickInNews = [&](const char* id) {
        const auto v = devtools_->evaluate(
            *page, QStringLiteral("window.frames['news'].document.getElementById('%1').click(), "
                                  "true")
                       .arg(QLatin1String(id)));
        ASSERT_TRUE(v && v->toBool()) << id;
    };
    // Set by the page's script, without a click: a mail link is no exception then.
    ASSERT_TRUE(waitUntilNoRecentClick(*page));
    devtools_->evaluate(*page,
                        QStringLiteral("window.frames['news'].location = "
                                       "'mailto:script@example.test'; true"),
                        false);
    clickInNews("zvx");
    clickInNews("apt");
    clickInNews("mail");
    // Without the file a mail program would attach.
    const QString mail = QStringLiteral("mailto:member@example.test?subject=zv");
    EXPECT_TRUE(program_->waitForTrace(QStringLiteral("openurl"), QStringLiteral("mailto:")))
        << program_->trace().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(program_->traceOf(QStringLiteral("openurl")).filter(QStringLiteral("mailto:")),
              QStringList{mail});
    EXPECT_EQ(openedOnTheDesktop(), QString());
    expectNoBrowserWindowFor(kQuietMs);
    EXPECT_EQ(openedOnTheDesktop(), QString());
    EXPECT_TRUE(memberPage().has_value());
}

TEST_F(BrowserWindowE2E, aPageOpensOnlyAFewWindowsOnItsOwnButEveryClickedOne)
{
    const auto page = memberPage();
    ASSERT_TRUE(page.has_value());
    const int handedBefore = static_cast<int>(program_->traceOf(QStringLiteral("openurl")).size());
    ASSERT_TRUE(waitUntilNoRecentClick(*page));
    // The third frame's script, with no click at all: 10 marketplace pages, 30 item pages.
    const auto stormed = devtools_->evaluate(
        *page,
        QStringLiteral("(() => { const w = window.frames['news'];"
                       "for (let i = 0; i < 10; ++i) w.open('http://shop.market.example/' + i);"
                       "for (let i = 0; i < 30; ++i) w.open('/nc/show.asp?id=' + (10300 + i));"
                       "return true; })()"),
        false);
    ASSERT_TRUE(stormed && stormed->toBool());
    const auto opened = [&] {
        return static_cast<int>(browserWindows().size() +
                                program_->traceOf(QStringLiteral("openurl")).size()) -
               handedBefore;
    };
    constexpr int kAllowed = 3; // a handful between two clicks of the member's
    EXPECT_TRUE(waitUntil([&] { return opened() >= kAllowed; }, 15000)) << opened();
    // Nothing more comes, however long the page waits: not even from a timer asking every 1.7 s,
    // long past the seconds after which a handful once came again.
    QThread::msleep(kQuietMs);
    EXPECT_EQ(opened(), kAllowed) << describeWindows().toStdString();
    const auto timer = devtools_->evaluate(
        *page,
        QStringLiteral("(() => { const w = window.frames['news'];"
                       "w.zvTimer = w.setInterval(() => w.open('/nc/show.asp?id=10400'), 1700);"
                       "return true; })()"),
        false);
    ASSERT_TRUE(timer && timer->toBool());
    QThread::msleep(4 * 1700 + 500);
    devtools_->evaluate(
        *page, QStringLiteral("window.frames['news'].clearInterval(window.frames['news'].zvTimer)"),
        false);
    EXPECT_EQ(opened(), kAllowed) << describeWindows().toStdString();
    EXPECT_EQ(openedOnTheDesktop(), QString());

    // The member's click right after it still opens its window.
    const int windows = static_cast<int>(browserWindows().size());
    clickInMenu(QStringLiteral("lnk-blank2"));
    EXPECT_TRUE(waitUntil([&] { return browserWindows().size() == windows + 1; }, 15000))
        << describeWindows().toStdString();
    EXPECT_TRUE(waitForPageAt(QStringLiteral("/nc/show.asp?id=10231")).has_value());
}

TEST_F(BrowserWindowE2E, targetBlankLinkOpensOneBrowserWindowOnThatPage)
{
    clickInMenu(QStringLiteral("lnk-blank"));
    ASSERT_NE(expectOneBrowserWindow(), 0u);
    EXPECT_TRUE(waitForPageAt(QStringLiteral("/nc/show.asp?id=10229")).has_value());
    const auto get = service_->waitForRequest([](const DevService::LogEntry& e) {
        return e.path == QLatin1String("/nc/show.asp") && e.queryItem("id") == "10229";
    });
    EXPECT_TRUE(get.has_value());
    // The member page stays where it was, and the engine opened no window of its own.
    EXPECT_TRUE(memberPage().has_value());
    EXPECT_EQ(devtools_->pages().size(), 2);
}

TEST_F(BrowserWindowE2E, twoLinksGiveTwoWindows)
{
    clickInMenu(QStringLiteral("lnk-blank"));
    ASSERT_NE(waitForWindow(kForm4Caption, 15000, program_->pid()), 0u);
    clickInMenu(QStringLiteral("lnk-blank2"));
    EXPECT_TRUE(waitUntil([] { return browserWindows().size() == 2; }, 15000))
        << describeWindows().toStdString();
    EXPECT_TRUE(waitForPageAt(QStringLiteral("/nc/show.asp?id=10229")).has_value());
    EXPECT_TRUE(waitForPageAt(QStringLiteral("/nc/show.asp?id=10231")).has_value());
}

TEST_F(BrowserWindowE2E, windowOpenGivesOneBrowserWindow)
{
    clickInMenu(QStringLiteral("btn-open"));
    ASSERT_NE(expectOneBrowserWindow(), 0u);
    EXPECT_TRUE(waitForPageAt(QStringLiteral("/nc/newwin.asp")).has_value());
    EXPECT_TRUE(service_->waitForPath(QStringLiteral("/nc/newwin.asp")).has_value());
}

TEST_F(BrowserWindowE2E, formPostArrivesWithItsBody)
{
    clickInMenu(QStringLiteral("btn-post"));
    ASSERT_NE(expectOneBrowserWindow(), 0u);
    const auto post = service_->waitForRequest([](const DevService::LogEntry& e) {
        return e.method == QLatin1String("POST") && e.path == QLatin1String("/nc/echo.asp");
    });
    ASSERT_TRUE(post.has_value());
    EXPECT_TRUE(post->body.startsWith("from=menu&keyword=")) << post->body.toStdString();
    EXPECT_EQ(post->header(QStringLiteral("Content-Type")),
              QStringLiteral("application/x-www-form-urlencoded"));

    // The window shows the answer to that post.
    const auto page = waitForPageAt(QStringLiteral("/nc/echo.asp"));
    ASSERT_TRUE(page.has_value());
    QString method;
    waitUntil(
        [&] {
            const auto v = devtools_->evaluate(
                *page, QStringLiteral("(document.getElementById('method') || {}).textContent"));
            method = v ? v->toString() : QString();
            return method.contains(QLatin1String("POST"));
        },
        10000);
    EXPECT_TRUE(method.contains(QLatin1String("POST"))) << method.toStdString();
}

TEST_F(BrowserWindowE2E, newWindowRequestInsideBrowserWindowStaysInIt)
{
    clickInMenu(QStringLiteral("btn-open"));
    ASSERT_NE(expectOneBrowserWindow(), 0u);
    const auto page = waitForPageAt(QStringLiteral("/nc/newwin.asp"));
    ASSERT_TRUE(page.has_value());
    // Give the page time to finish so the link is there.
    ASSERT_TRUE(waitUntil(
        [&] {
            const auto v =
                devtools_->evaluate(*page, QStringLiteral("!!document.getElementById('frm-post')"));
            return v && v->toBool();
        },
        10000));

    ASSERT_TRUE(service_->clearLog());
    const auto submitted = devtools_->evaluate(
        *page, QStringLiteral("document.getElementById('btn-post').click(), true"));
    ASSERT_TRUE(submitted.has_value());

    // The same window moves on, as a plain navigation; no further window opens.
    const auto moved = waitForPageAt(QStringLiteral("/nc/echo.asp"));
    ASSERT_TRUE(moved.has_value()) << "the window did not go to the requested page";
    EXPECT_EQ(moved->id, page->id);
    const auto get = service_->waitForPath(QStringLiteral("/nc/echo.asp"));
    ASSERT_TRUE(get.has_value());
    EXPECT_EQ(get->method, QStringLiteral("GET"));
    EXPECT_TRUE(get->body.isEmpty());
    QThread::msleep(500);
    EXPECT_EQ(browserWindows().size(), 1);
    EXPECT_EQ(devtools_->pages().size(), 2);
}

TEST_F(BrowserWindowE2E, marketplaceGoesToTheDefaultBrowserOnly)
{
    // The link is written in capitals; the engine hands the address over with its host
    // normalised to lower case and the path as written.
    clickInMenu(QStringLiteral("lnk-market-caps"));
    EXPECT_TRUE(program_->waitForTrace(QStringLiteral("openurl"),
                                       QStringLiteral("http://www.market.example/SHOP/INDEX.HTML")))
        << program_->trace().join(QLatin1Char('\n')).toStdString();
    expectNoBrowserWindowFor(kQuietMs);
    EXPECT_EQ(devtools_->pages().size(), 1);
    // A page of the service's own that names the marketplace in its query is the service's.
    clickInMenu(QStringLiteral("lnk-market-query"));
    ASSERT_NE(expectOneBrowserWindow(), 0u);
    EXPECT_TRUE(waitForPageAt(QStringLiteral("/nc/go.asp?to=")).has_value());
    EXPECT_EQ(program_->traceOf(QStringLiteral("openurl")).filter(QStringLiteral("go.asp")).size(),
              0);
}

TEST_F(BrowserWindowE2E, localFileLinkReachesNeither)
{
    const int tracedBefore = static_cast<int>(program_->traceOf(QStringLiteral("openurl")).size());
    clickInMenu(QStringLiteral("lnk-file"));
    expectNoBrowserWindowFor(kQuietMs);
    // A later ordinary link still works, and is the only window.
    clickInMenu(QStringLiteral("lnk-blank2"));
    ASSERT_NE(expectOneBrowserWindow(), 0u);
    EXPECT_TRUE(waitForPageAt(QStringLiteral("/nc/show.asp?id=10231")).has_value());
    EXPECT_EQ(program_->traceOf(QStringLiteral("openurl")).size(), tracedBefore);
    for (const DevToolsClient::Target& t : devtools_->pages())
        EXPECT_FALSE(t.url.startsWith(QLatin1String("file:"))) << t.url.toStdString();
}

} // namespace
