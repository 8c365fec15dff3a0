// The member page as the client's browser engine sees it: four frames, the login form in the
// fourth, a login through that form and a logout that brings it back.
#include "harness/devservice.h"

#include <QEventLoop>
#include <QTimer>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineProfile>

#include <gtest/gtest.h>

namespace
{

class BrowserPage
{
public:
    BrowserPage() : profile_(), page_(&profile_) {}

    bool load(const QString& url)
    {
        bool ok = false;
        QEventLoop loop;
        auto c = QObject::connect(&page_, &QWebEnginePage::loadFinished, [&](bool result) {
            ok = result;
            loop.quit();
        });
        QTimer::singleShot(15000, &loop, &QEventLoop::quit);
        page_.load(QUrl(url));
        loop.exec();
        QObject::disconnect(c);
        return ok;
    }

    QVariant run(const QString& script)
    {
        QVariant value;
        QEventLoop loop;
        page_.runJavaScript(script, [&](const QVariant& v) {
            value = v;
            loop.quit();
        });
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        loop.exec();
        return value;
    }

    // Runs `script` until it gives true, at most `ms`.
    bool waitFor(const QString& script, int ms = 8000)
    {
        for (int waited = 0; waited < ms; waited += 100) {
            if (run(script).toBool())
                return true;
            QEventLoop pause;
            QTimer::singleShot(100, &pause, &QEventLoop::quit);
            pause.exec();
        }
        return false;
    }

private:
    QWebEngineProfile profile_; // off the record: no cookies left behind
    QWebEnginePage page_;
};

TEST(MemberPageInBrowser, fourthFrameLogsInAndOut)
{
    harness::DevService service(harness::DevService::Ports::Free);
    ASSERT_TRUE(service.start());
    BrowserPage page;
    ASSERT_TRUE(page.load(service.lineA() + "/nc/i88-62.asp"));

    const QString inputs = QStringLiteral(
        "(function(){var d=window.frames[3].document;"
        "return d.readyState==='complete' ? "
        "d.querySelectorAll('input[type=text][name=UserName]').length + ',' + "
        "d.querySelectorAll('input[type=password][name=UserPassword]').length : 'loading';})()");
    EXPECT_EQ(page.run(QStringLiteral("window.frames.length")).toInt(), 4);
    ASSERT_TRUE(page.waitFor(QStringLiteral("(") + inputs + QStringLiteral(")==='1,1'")));

    page.run(QStringLiteral("(function(){var d=window.frames[3].document;"
                            "d.getElementsByName('UserName')[0].value='张三';"
                            "d.getElementsByName('UserPassword')[0].value='secret';"
                            "d.getElementById('btn-login').click();})()"));
    EXPECT_TRUE(page.waitFor(QStringLiteral(
        "(function(){var d=window.frames[3].document;var w=d.getElementById('welcome');"
        "return !!w && w.textContent.indexOf('张三')>=0 && "
        "d.getElementsByName('UserName').length===0;})()")));
    EXPECT_EQ(page.run(QStringLiteral("window.frames.length")).toInt(), 4);

    page.run(QStringLiteral("window.frames[3].document.getElementById('lnk-logout').click()"));
    EXPECT_TRUE(page.waitFor(QStringLiteral("(") + inputs + QStringLiteral(")==='1,1'")));
}

} // namespace
