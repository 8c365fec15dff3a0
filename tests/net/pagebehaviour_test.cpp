// What pages cannot do to the browser: dialogs in silent mode, forged reports, hostile values.
#include "browserfixture.h"
#include "support/testsite.h"
#include "testpages.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QWebEnginePage>

namespace
{

class PageBehaviourTest : public BrowserFixture
{
protected:
    TestSite site;
};

std::string loginFrame(const std::string& before)
{
    return "<html><body>" + before +
           "<input type=\"text\" name=\"UserName\" id=\"u\" value=\"orig\">"
           "<input type=\"password\" name=\"UserPassword\" id=\"p\" value=\"orig\">"
           "<script>document.getElementById('u').addEventListener('input', function () {"
           " document.body.setAttribute('data-seen', this.value); });</script></body></html>";
}

LoginFillResult fill(WebEngineBrowser* b, const QString& user, const QString& pass)
{
    LoginFillResult result;
    bool done = false;
    b->fillLogin(user, pass, {QStringLiteral("127.0.0.1")}, [&](LoginFillResult r) {
        result = r;
        done = true;
    });
    EXPECT_TRUE(waitFor([&] { return done; }));
    return result;
}

TEST_F(PageBehaviourTest, silent_alertConfirmAndPromptAreSwallowedAndThePageGoesOn)
{
    site.page("/dialogs", "<html><body><script>alert('hi'); var c = confirm('sure?');"
                          " var p = prompt('name', 'd'); document.title = 'after:' + c + ':' + p;"
                          "</script></body></html>");
    browser->setSilent(true);
    ASSERT_TRUE(load(site.url("/dialogs")));
    EXPECT_EQ(eval(QStringLiteral("document.title")).toString(),
              QStringLiteral("after:false:null"));
}

TEST_F(PageBehaviourTest, pageScripts_cannotForgeReportsOrReachTheChannel)
{
    site.page("/forge",
              "<html><body><script>"
              "var forged = '{\"k\":\"load\",\"d\":\"77\",\"u\":\"http://forged/\",\"t\":false}';"
              "console.log(forged); console.log('zvb ' + forged); console.info('zvb0 ' + forged);"
              "try { top.__zvReport(forged); } catch (e) {}"
              "try { window.__zvReport(forged); } catch (e) {}"
              "try { qt.webChannelTransport.send(forged); } catch (e) {}"
              "var menu = function () { document.dispatchEvent(new MouseEvent('contextmenu',"
              " {bubbles: true, clientX: 5, clientY: 5})); };"
              "menu(); window.addEventListener('load', menu);"
              "document.title = [typeof window.__zvReport, typeof qt, typeof "
              "window.__zvBridgeDoc].join();"
              "</script></body></html>");
    int menus = 0;
    QObject::connect(browser, &Browser::contextMenu, browser, [&](ContextMenuRequest& r) {
        ++menus;
        r.handled = true;
    });
    ASSERT_TRUE(load(site.url("/forge")));
    // Reports sent before a later page's complete would have arrived by then.
    site.page("/after", plainPage("after"));
    EXPECT_EQ(eval(QStringLiteral("document.title")).toString(),
              QStringLiteral("undefined,undefined,undefined"));
    ASSERT_TRUE(load(site.url("/after")));
    for (const CompletedDocument& d : completedIn(browser)) {
        EXPECT_NE(d.url, QStringLiteral("http://forged/"));
        EXPECT_NE(d.docId, 77u);
    }
    EXPECT_EQ(menus, 0);
}

TEST_F(PageBehaviourTest, hostileValues_areTypedAsTheyStand)
{
    site.page("/f0", plainPage("zero"));
    site.page("/login", loginFrame(""));
    site.page("/member", frameset({"/f0", "/f0?1", "/f0?2", "/login"}));
    ASSERT_TRUE(load(site.url("/member")));
    const QStringList values = {
        QStringLiteral("a\"+alert(1)+\""),
        QStringLiteral("</script><script>document.title='pwned'</script>"),
        QStringLiteral("x'); document.title = 'pwned'; ('"),
        QString::fromUtf16(u"back\\slash \u2028 \u2029 \u5bc6\u7801 \U0001F600 ${x} `"),
    };
    for (const QString& user : values) {
        const QString pass = user + QStringLiteral("\\\"");
        const LoginFillResult r = fill(browser, user, pass);
        EXPECT_TRUE(r.ok);
        EXPECT_EQ(r.filled, 2);
        const QString read =
            eval(QStringLiteral(
                     "JSON.stringify([frames[3].document.getElementById('u').value,"
                     " frames[3].document.getElementById('p').value,"
                     " frames[3].document.body.getAttribute('data-seen'), document.title])"))
                .toString();
        const QJsonArray expected{user, pass, user, QStringLiteral("member")};
        EXPECT_EQ(read, QString::fromUtf8(QJsonDocument(expected).toJson(QJsonDocument::Compact)));
    }
}

TEST_F(PageBehaviourTest, fortyThousandElements_stillFilled)
{
    std::string many;
    many.reserve(40000 * 7);
    for (int i = 0; i < 40000; ++i)
        many += "<i></i>";
    site.page("/f0", plainPage("zero"));
    site.page("/login", loginFrame(many));
    site.page("/member", frameset({"/f0", "/f0?1", "/f0?2", "/login"}));
    ASSERT_TRUE(load(site.url("/member")));
    const LoginFillResult r = fill(browser, QStringLiteral("member"), QStringLiteral("secret"));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.filled, 2);
    EXPECT_EQ(eval(QStringLiteral("frames[3].document.getElementById('p').value")).toString(),
              QStringLiteral("secret"));
}

TEST_F(PageBehaviourTest, fillOnPlainPageOrCrossOriginFrame_reportsWhatItFound)
{
    TestSite other("127.0.0.2");
    other.page("/login", loginFrame(""));
    site.page("/f0", plainPage("zero"));
    site.page("/member", frameset({"/f0", "/f0?1", "/f0?2", other.url("/login")}));
    ASSERT_TRUE(load(site.url("/f0")));
    LoginFillResult r = fill(browser, QStringLiteral("u"), QStringLiteral("p"));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.frameCount, 0);
    EXPECT_EQ(r.filled, 0);
    ASSERT_TRUE(load(site.url("/member")));
    r = fill(browser, QStringLiteral("u"), QStringLiteral("p"));
    EXPECT_FALSE(r.ok); // the fourth frame refuses access
    EXPECT_EQ(r.filled, 0);
}

TEST_F(PageBehaviourTest, callbacks_neverRunAfterTheBrowserIsGone)
{
    site.page("/f0", plainPage("zero"));
    ASSERT_TRUE(load(site.url("/f0")));
    WebEngineBrowser* doomed = makeBrowser();
    ASSERT_TRUE(load(site.url("/f0?doomed"), doomed));
    int calls = 0;
    doomed->fillLogin(QStringLiteral("u"), QStringLiteral("p"), {QStringLiteral("127.0.0.1")},
                      [&](LoginFillResult) { ++calls; });
    doomed->frameCount([&](int) { ++calls; });
    doomed->setFrameLocation(0, site.url("/f0"), [&](bool) { ++calls; });
    destroy(doomed);
    // The surviving browser's answer comes after anything the dead one had pending.
    EXPECT_EQ(eval(QStringLiteral("1 + 1")).toInt(), 2);
    ASSERT_TRUE(load(site.url("/f0?again")));
    EXPECT_EQ(calls, 0);
}

TEST_F(PageBehaviourTest, permissionRequests_areDeniedAtOnce)
{
    // A page that asks for a feature (here the desktop's notifications) hears "no" at once; an
    // unanswered request would leave it waiting for ever.
    site.page("/ask", "<html><body><script>Notification.requestPermission().then("
                      "function (answer) { document.title = 'answer:' + answer; });"
                      "</script></body></html>");
    ASSERT_TRUE(load(site.url("/ask")));
    const auto title = [&] { return eval(QStringLiteral("document.title")).toString(); };
    EXPECT_TRUE(waitFor([&] { return title().startsWith(QLatin1String("answer:")); }, 10000));
    EXPECT_EQ(title().toStdString(), "answer:denied");
}

TEST_F(PageBehaviourTest, historyMoves_loadTheEarlierAndLaterPages)
{
    site.page("/a", plainPage("a"));
    site.page("/b", plainPage("b"));
    browser->goBack(); // nothing to go back to: ignored
    browser->goForward();
    ASSERT_TRUE(load(site.url("/a")));
    ASSERT_TRUE(load(site.url("/b")));
    browser->goBack();
    ASSERT_TRUE(waitFor([&] {
        return browser->page()->url() == QUrl(site.url("/a")) && browser->readyState() == 4;
    }));
    browser->goForward();
    ASSERT_TRUE(waitFor([&] {
        return browser->page()->url() == QUrl(site.url("/b")) && browser->readyState() == 4;
    }));
    const qsizetype before = site.requestsTo(QStringLiteral("/b")).size();
    browser->refresh();
    EXPECT_TRUE(waitFor([&] { return site.requestsTo(QStringLiteral("/b")).size() > before; }));
}

} // namespace
