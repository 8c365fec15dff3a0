// The browser on the real engine, against pages served on loopback.
#include "browserfixture.h"
#include "logincases.h"
#include "support/testsite.h"
#include "testpages.h"

#include "net/pagescripts.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMenu>
#include <QWebEnginePage>
#include <string>

namespace
{

std::string loginPage(const LoginCase& c)
{
    std::string body;
    for (qsizetype i = 0; i < c.fields.size(); ++i) {
        const LoginField& f = c.fields[i];
        body += "<" + s(f.tag) + " name=\"" + s(f.name) + "\" id=\"f" + std::to_string(i) + "\"";
        if (f.tag.toUpper() == QLatin1String("INPUT"))
            body += " value=\"orig\"";
        if (!f.type.isEmpty())
            body += " type=\"" + s(f.type) + "\"";
        const QString upper = f.tag.toUpper();
        if (upper == QLatin1String("INPUT"))
            body += c.xhtml ? "/>" : ">";
        else if (upper == QLatin1String("SELECT"))
            body += "><option>orig</option></" + s(f.tag) + ">";
        else
            body += ">orig</" + s(f.tag) + ">";
    }
    if (c.xhtml)
        return "<?xml version=\"1.0\"?><html xmlns=\"http://www.w3.org/1999/xhtml\"><body><form>" +
               body + "</form></body></html>";
    return "<html><body><form>" + body + "</form></body></html>";
}

// Values of the elements with ids f0, f1... in frames[index], read in the isolated world.
QString readValuesScript(int frameIndex, qsizetype count)
{
    return QStringLiteral("(function () { try { var d = window.frames[%1].document, out = [];"
                          " for (var i = 0; i < %2; i++) out.push(d.getElementById('f' + i).value);"
                          " return JSON.stringify(out); } catch (e) { return 'error ' + e; } })()")
        .arg(frameIndex)
        .arg(count);
}

class WebEngineBrowserTest : public BrowserFixture
{
protected:
    void SetUp() override
    {
        BrowserFixture::SetUp();
        site.page("/f0", plainPage("zero"));
        site.page("/f2", plainPage("two"));
        site.page("/item", plainPage("item"));
        other.page("/f1", plainPage("one, elsewhere"));
        site.page("/login", loginPage(loginCases().first()));
        site.page("/member", frameset({"/f0", other.url("/f1"), "/f2", "/login"}));
    }

    TestSite site;
    TestSite other{"127.0.0.2"};
};

TEST_F(WebEngineBrowserTest, readyState_nothingLoaded_isZero)
{
    EXPECT_EQ(browser->readyState(), 0);
}

TEST_F(WebEngineBrowserTest, fourFramePage_reportsEveryFrameAndReachesComplete)
{
    ASSERT_TRUE(load(site.url("/member")));
    EXPECT_EQ(browser->readyState(), 4);
    const QStringList frames = {site.url("/f0"), other.url("/f1"), site.url("/f2"),
                                site.url("/login")};
    for (const QString& url : frames) {
        ASSERT_TRUE(completedUrl(url)) << s(url);
        EXPECT_FALSE(findCompleted(url)->isTop) << s(url);
    }
    const CompletedDocument* top = findCompleted(site.url("/member"));
    ASSERT_NE(top, nullptr);
    EXPECT_TRUE(top->isTop);
    // Every document has an id of its own.
    QSet<quint64> ids;
    for (const CompletedDocument& d : completedIn(browser))
        ids.insert(d.docId);
    EXPECT_EQ(ids.size(), 5);

    int count = -2;
    browser->frameCount([&](int n) { count = n; });
    ASSERT_TRUE(waitFor([&] { return count != -2; }));
    EXPECT_EQ(count, 4);
}

TEST_F(WebEngineBrowserTest, setFrameLocation_loadsTheFrameAndReportsIt)
{
    ASSERT_TRUE(load(site.url("/member")));
    int answer = -1;
    browser->setFrameLocation(3, site.url("/item"), [&](bool ok) { answer = ok; });
    ASSERT_TRUE(waitFor([&] { return answer != -1; }));
    EXPECT_EQ(answer, 1);
    ASSERT_TRUE(completedUrl(site.url("/item")));
    EXPECT_FALSE(findCompleted(site.url("/item"))->isTop);
    EXPECT_TRUE(waitFor([&] { return browser->readyState() == 4; }));

    // The cross-origin frame is navigated too; its new document reports through the console.
    answer = -1;
    browser->setFrameLocation(1, other.url("/f1?again"), [&](bool ok) { answer = ok; });
    ASSERT_TRUE(waitFor([&] { return answer != -1; }));
    EXPECT_EQ(answer, 1);
    EXPECT_TRUE(completedUrl(other.url("/f1?again")));
}

TEST_F(WebEngineBrowserTest, setFrameLocation_missingFrameOrScriptAddress_fails)
{
    ASSERT_TRUE(load(site.url("/member")));
    for (int index : {4, -1, 100}) {
        int answer = -1;
        browser->setFrameLocation(index, site.url("/item"), [&](bool ok) { answer = ok; });
        ASSERT_TRUE(waitFor([&] { return answer != -1; }));
        EXPECT_EQ(answer, 0) << index;
    }
    int answer = -1;
    browser->setFrameLocation(3, QStringLiteral(" JavaScript:document.title='x'"),
                              [&](bool ok) { answer = ok; });
    ASSERT_TRUE(waitFor([&] { return answer != -1; }));
    EXPECT_EQ(answer, 0);
}

TEST_F(WebEngineBrowserTest, navigateScriptAddress_runsNothingInTheShownPage)
{
    ASSERT_TRUE(load(site.url("/f0")));
    browser->navigate(QStringLiteral("javascript:document.title='hijacked'"));
    // A later script runs after anything the navigation could have started.
    ASSERT_TRUE(load(site.url("/f0?again")));
    EXPECT_EQ(eval(QStringLiteral("document.title")).toString(), QString());
}

class LoginWalkTest : public WebEngineBrowserTest, public ::testing::WithParamInterface<LoginCase>
{
};

TEST_P(LoginWalkTest, engineFillsExactlyTheMatchingFields)
{
    const LoginCase& c = GetParam();
    site.page("/case", loginPage(c),
              c.xhtml ? "application/xhtml+xml; charset=utf-8" : "text/html; charset=utf-8");
    QStringList sources = {"/f0", "/f2", "/f0?b", "/case", "/f2?more"};
    if (c.frames == 3)
        sources = {"/f0", "/f2", "/case"}; // the fields are in the last frame, index 2
    sources = sources.mid(0, c.frames);
    site.page("/walk", frameset(sources));
    ASSERT_TRUE(load(site.url("/walk")));

    LoginFillResult result;
    bool done = false;
    // The test site is on 127.0.0.1; letter case of the host names does not count.
    const QStringList hosts = c.otherHost
                                  ? QStringList{QStringLiteral("127.0.0.2"), QStringLiteral("a.b")}
                                  : QStringList{QStringLiteral("a.b"), QStringLiteral("127.0.0.1")};
    browser->fillLogin(QStringLiteral("member"), QStringLiteral("secret"), hosts,
                       [&](LoginFillResult r) {
                           result = r;
                           done = true;
                       });
    ASSERT_TRUE(waitFor([&] { return done; }));
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(result.frameCount, c.frames);
    EXPECT_EQ(result.filled, c.filled);

    QJsonArray expected;
    for (const LoginField& f : c.fields)
        expected.append(f.expected == QLatin1String("U")   ? QStringLiteral("member")
                        : f.expected == QLatin1String("P") ? QStringLiteral("secret")
                                                           : QStringLiteral("orig"));
    const int frameWithFields = c.frames == 3 ? 2 : 3;
    EXPECT_EQ(eval(readValuesScript(frameWithFields, c.fields.size())).toString(),
              QString::fromUtf8(QJsonDocument(expected).toJson(QJsonDocument::Compact)));
}

INSTANTIATE_TEST_SUITE_P(Cases, LoginWalkTest, ::testing::ValuesIn(loginCases()),
                         [](const auto& info) { return std::string(info.param.title); });

} // namespace
