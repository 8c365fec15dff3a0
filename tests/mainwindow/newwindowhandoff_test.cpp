// The main window's new-window hand-off: our own browser windows, the default browser for the
// marketplace, nothing for other schemes; on the in-memory browser.
#include "dialogs/form4.h"
#include "mainwindow/newwindowhandoff.h"
#include "startup/settings.h"
#include "startup/trace.h"
#include "support/fakebrowser.h"
#include "support/programfolder.h"
#include "support/topwindows.h"
#include "zvconfig.h"

#include <QFile>
#include <gtest/gtest.h>

namespace
{

const QString kPage = QStringLiteral("http://127.0.0.1:18062/nc/page.asp");

QList<Form4*> openForm4s()
{
    return topWindows<Form4>();
}

class Handoff : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(openForm4s().isEmpty());
        ASSERT_TRUE(folder.isValid());
    }
    void TearDown() override
    {
        for (Form4* f : openForm4s())
            delete f;
    }
    QString trace() const
    {
        QFile f(folder.filePath(QStringLiteral("trace.log")));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    FakeBrowserFactory factory;
    ProgramFolder folder;
    NewWindowHandoff handoff{nullptr};
};

TEST_F(Handoff, eachRequestOpensItsOwnWindowWithTheWholeRequest)
{
    NewWindowRequest r1;
    r1.url = kPage + QStringLiteral("?id=1");
    r1.flags = 2;
    r1.targetFrameName = QStringLiteral("_blank");
    r1.postData = QByteArrayLiteral("q=1");
    r1.headers = QStringLiteral("Content-Type: application/x-www-form-urlencoded\r\n");
    handoff.Web_V1_NewWindow(r1);
    NewWindowRequest r2;
    r2.url = kPage + QStringLiteral("?id=2");
    handoff.Web_V1_NewWindow(r2);

    EXPECT_TRUE(r1.processed);
    EXPECT_TRUE(r2.processed);
    const QList<Form4*> forms = openForm4s();
    ASSERT_EQ(forms.size(), 2);
    ASSERT_EQ(factory.made.size(), 2);
    for (Form4* f : forms)
        EXPECT_TRUE(f->isVisible());

    const FakeBrowser::Navigation& n1 = factory.made[0]->navigations.value(0);
    EXPECT_EQ(n1.url, r1.url);
    EXPECT_EQ(n1.flags, 2);
    EXPECT_TRUE(n1.targetFrameName.isEmpty());
    EXPECT_EQ(n1.postData, r1.postData);
    EXPECT_EQ(n1.headers, r1.headers);
    EXPECT_EQ(factory.made[1]->navigations.value(0).url, r2.url);
    EXPECT_EQ(factory.made[0]->navigations.size(), 1);
    EXPECT_TRUE(trace().isEmpty());
}

TEST_F(Handoff, takenOverNavigationIsNotRepeated)
{
    Browser* handedTo = nullptr;
    NewWindowRequest r;
    r.url = kPage;
    r.postData = QByteArrayLiteral("x=1");
    r.takeOver = [&handedTo](Browser& target) {
        handedTo = &target;
        return true;
    };
    handoff.Web_V1_NewWindow(r);
    ASSERT_EQ(factory.made.size(), 1);
    EXPECT_EQ(handedTo, factory.made[0]);
    EXPECT_TRUE(factory.made[0]->navigations.isEmpty());

    // Nothing to take over: the window navigates itself.
    r.takeOver = [](Browser&) { return false; };
    handoff.Web_V1_NewWindow(r);
    ASSERT_EQ(factory.made.size(), 2);
    EXPECT_EQ(factory.made[1]->navigations.value(0).postData, QByteArrayLiteral("x=1"));
}

TEST_F(Handoff, marketplaceGoesToTheDefaultBrowser)
{
    if (!Trace::enabled())
        GTEST_SKIP() << "only test builds record default-browser opens";
    const QString market = QStringLiteral(ZV_MARKET_DOMAIN).toUpper();
    const QString shop = QStringLiteral("http://item.") + market + QStringLiteral("/1.htm");
    // Naming the marketplace in the query does not make a page the marketplace's.
    const QString named = kPage + QStringLiteral("?to=") + QStringLiteral(ZV_MARKET_DOMAIN);
    for (const QString& url : {shop, named}) {
        NewWindowRequest r;
        r.url = url;
        handoff.Web_V1_NewWindow(r);
        EXPECT_TRUE(r.processed);
    }
    ASSERT_EQ(factory.made.size(), 1);
    EXPECT_EQ(factory.made[0]->navigations.value(0).url, named);
    EXPECT_EQ(trace(), QStringLiteral("openurl\t") + shop + QStringLiteral("\n"));
}

TEST_F(Handoff, aPageOpensOnlyAFewWindowsOnItsOwnAndEveryClickedOne)
{
    if (!Trace::enabled())
        GTEST_SKIP() << "only test builds record default-browser opens";
    // A script asking in a loop, for item pages and for the marketplace alike.
    for (int i = 0; i < 30; ++i) {
        NewWindowRequest r;
        r.url = kPage + QStringLiteral("?id=%1").arg(i);
        r.userInitiated = false;
        handoff.Web_V1_NewWindow(r);
        EXPECT_TRUE(r.processed);
        NewWindowRequest m;
        m.url = QStringLiteral("http://shop.") + QStringLiteral(ZV_MARKET_DOMAIN) +
                QStringLiteral("/%1").arg(i);
        handoff.Web_V1_NewWindow(m);
        EXPECT_TRUE(m.processed);
    }
    const int handedOver = static_cast<int>(trace().count(QStringLiteral("openurl")));
    EXPECT_EQ(static_cast<int>(factory.made.size()) + handedOver, NewWindowRate::kMaxUnrequested);
    // The member's clicks in the middle of it are never dropped.
    for (int i = 0; i < 5; ++i) {
        NewWindowRequest r;
        r.url = kPage + QStringLiteral("?clicked=%1").arg(i);
        r.userInitiated = true;
        handoff.Web_V1_NewWindow(r);
    }
    EXPECT_EQ(static_cast<int>(factory.made.size()) + handedOver,
              NewWindowRate::kMaxUnrequested + 5);
}

TEST_F(Handoff, otherSchemesReachNeitherWindowNorDefaultBrowser)
{
    for (const char* url : {"file:///etc/passwd", "javascript:alert(1)", "data:text/html,x",
                            "mailto:a@b.test", "file:///tmp/" ZV_MARKET_DOMAIN ".html"}) {
        NewWindowRequest r;
        r.url = QString::fromUtf8(url);
        handoff.Web_V1_NewWindow(r);
        EXPECT_TRUE(r.processed) << url;
    }
    EXPECT_TRUE(openForm4s().isEmpty());
    EXPECT_TRUE(factory.made.isEmpty());
    EXPECT_TRUE(trace().isEmpty());
}

TEST_F(Handoff, emptyAddressOpensBlankWindow)
{
    NewWindowRequest r;
    handoff.Web_V1_NewWindow(r);
    ASSERT_EQ(factory.made.size(), 1);
    EXPECT_EQ(factory.made[0]->navigations.value(0).url, QStringLiteral("about:blank"));
}

} // namespace
