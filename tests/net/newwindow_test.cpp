// New-window requests of a page: cancelled, described, and handed over to another browser.
#include "browserfixture.h"
#include "support/testsite.h"
#include "testpages.h"

#include <QWebEnginePage>

namespace
{

class NewWindowTest : public BrowserFixture
{
protected:
    void SetUp() override
    {
        BrowserFixture::SetUp();
        site.page("/opener",
                  "<html><body><a id=\"link\" href=\"/target?via=link\" target=\"_blank\">go</a>"
                  "<form id=\"form\" method=\"post\" action=\"/target?via=form\" target=\"_blank\">"
                  "<input name=\"q\" value=\"hello world\"><input name=\"pw\" value=\"a&amp;b\">"
                  "</form></body></html>");
        site.page("/target", plainPage("target"));
        site.page("/elsewhere", plainPage("elsewhere"));
        site.handle("/posted",
                    [](const SiteRequest& r) { return plainPage(r.body.toStdString()); });
        ASSERT_TRUE(load(site.url("/opener")));
        QObject::connect(browser, &Browser::newWindow, browser, [this](NewWindowRequest& req) {
            requests.append(req);
            if (!handOver)
                return;
            req.processed = true;
            tookOver = req.takeOver(*target);
        });
    }

    // The page's own script (not the browser's world) asks for the window.
    void pageRuns(const QString& script) { browser->page()->runJavaScript(script); }

    TestSite site;
    WebEngineBrowser* target = makeBrowser();
    QList<NewWindowRequest> requests;
    bool handOver = true;
    bool tookOver = false;
};

TEST_F(NewWindowTest, linkWindowOpenAndFormPost_areHandedOverWithTheirAddress)
{
    struct Case {
        const char* script;
        const char* via;
        const char* method;
    };
    const Case cases[] = {
        {"document.getElementById('link').click()", "link", "GET"},
        {"window.open('/target?via=open')", "open", "GET"},
        {"document.getElementById('form').submit()", "form", "POST"},
    };
    for (const Case& c : cases) {
        requests.clear();
        tookOver = false;
        const QString url = site.url(QStringLiteral("/target?via=") + QLatin1String(c.via));
        pageRuns(QString::fromLatin1(c.script));
        ASSERT_TRUE(waitFor([&] { return !requests.isEmpty(); })) << c.via;
        EXPECT_EQ(requests.size(), 1);
        const NewWindowRequest& req = requests.first();
        EXPECT_EQ(req.url, url);
        EXPECT_EQ(req.flags, 0);
        EXPECT_TRUE(req.targetFrameName.isEmpty());
        EXPECT_TRUE(req.headers.isEmpty());
        EXPECT_TRUE(tookOver) << c.via;
        ASSERT_TRUE(completedUrl(url, target)) << c.via;
        EXPECT_TRUE(waitFor([&] { return target->readyState() == 4; }));

        QList<SiteRequest> seen;
        for (const SiteRequest& r : site.requestsTo(QStringLiteral("/target"))) {
            if (r.query == QLatin1String("via=") + QLatin1String(c.via))
                seen.append(r);
        }
        ASSERT_EQ(seen.size(), 1) << c.via;
        EXPECT_EQ(seen.first().method, QLatin1String(c.method));
        if (QLatin1String(c.method) == QLatin1String("POST")) {
            EXPECT_EQ(seen.first().body, QByteArray("q=hello+world&pw=a%26b"));
            EXPECT_EQ(seen.first().header("Content-Type"),
                      QStringLiteral("application/x-www-form-urlencoded"));
        }
    }
    // The opener stays where it was.
    EXPECT_EQ(browser->page()->url(), QUrl(site.url("/opener")));
}

TEST_F(NewWindowTest, unprocessedRequest_isDropped)
{
    handOver = false;
    pageRuns(QStringLiteral("window.open('/target?via=dropped')"));
    ASSERT_TRUE(waitFor([&] { return !requests.isEmpty(); }));
    // Anything the engine would have started for that window has reached the server by the
    // time a later page of the opener is complete.
    ASSERT_TRUE(load(site.url("/elsewhere")));
    EXPECT_TRUE(site.requestsTo(QStringLiteral("/target")).isEmpty());
    EXPECT_EQ(target->readyState(), 0);
}

TEST_F(NewWindowTest, takeOver_onlyOnceOnlyDuringTheSignalNeverIntoItself)
{
    handOver = false;
    bool intoItself = true, first = false, second = true;
    std::function<bool(Browser&)> kept;
    QObject::connect(browser, &Browser::newWindow, browser, [&](NewWindowRequest& req) {
        req.processed = true;
        intoItself = req.takeOver(*browser);
        first = req.takeOver(*target);
        second = req.takeOver(*target);
        kept = req.takeOver;
    });
    pageRuns(QStringLiteral("window.open('/target?via=once')"));
    ASSERT_TRUE(waitFor([&] { return !requests.isEmpty(); }));
    EXPECT_FALSE(intoItself);
    EXPECT_TRUE(first);
    EXPECT_FALSE(second);
    ASSERT_TRUE(completedUrl(site.url("/target?via=once"), target));

    // A second request, kept past its signal, can no longer be taken over.
    requests.clear();
    QObject::connect(browser, &Browser::newWindow, browser,
                     [&](NewWindowRequest& req) { kept = req.takeOver; });
    pageRuns(QStringLiteral("window.open('/target?via=late')"));
    ASSERT_TRUE(waitFor([&] { return !requests.isEmpty(); }));
    ASSERT_TRUE(kept);
    WebEngineBrowser* late = makeBrowser();
    EXPECT_FALSE(kept(*late));
}

TEST_F(NewWindowTest, theMembersClickInThePageIsReportedAndAScriptsClickIsNot)
{
    int inputs = 0;
    QObject::connect(browser, &Browser::memberInput, browser, [&] { ++inputs; });
    pageRuns(QStringLiteral("document.getElementById('link').click()"));
    ASSERT_TRUE(waitFor([&] { return !requests.isEmpty(); }));
    EXPECT_EQ(inputs, 0);
    click(QPoint(400, 500)); // below the page's link and form
    EXPECT_EQ(inputs, 1);
}

TEST_F(NewWindowTest, navigateWithPostDataAndHeaders_postsTheBody)
{
    const qsizetype before = completedIn(target).size();
    target->navigate(site.url("/posted"), 0, QStringLiteral("ignored"),
                     QByteArray("a=1&b=%E4%BD%A0"),
                     QStringLiteral("X-Zv-Test: yes\r\nReferer: http://127.0.0.1/\r\n"));
    ASSERT_TRUE(
        waitFor([&] { return completedIn(target).size() > before && target->readyState() == 4; }));
    const QList<SiteRequest> seen = site.requestsTo(QStringLiteral("/posted"));
    ASSERT_EQ(seen.size(), 1);
    EXPECT_EQ(seen.first().method, QStringLiteral("POST"));
    EXPECT_EQ(seen.first().body, QByteArray("a=1&b=%E4%BD%A0"));
    EXPECT_EQ(seen.first().header("X-Zv-Test"), QStringLiteral("yes"));
    EXPECT_EQ(seen.first().header("Content-Type"),
              QStringLiteral("application/x-www-form-urlencoded"));

    // Headers alone keep it a GET.
    target->navigate(site.url("/posted?get"), 0, QString(), QByteArray(),
                     QStringLiteral("X-Zv-Test: get"));
    ASSERT_TRUE(completedUrl(site.url("/posted?get"), target));
    const QList<SiteRequest> all = site.requestsTo(QStringLiteral("/posted"));
    ASSERT_EQ(all.size(), 2);
    EXPECT_EQ(all.last().method, QStringLiteral("GET"));
    EXPECT_EQ(all.last().header("X-Zv-Test"), QStringLiteral("get"));
}

} // namespace
