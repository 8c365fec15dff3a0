// The browser window on the in-memory browser.
#include "dialogs/form4.h"
#include "startup/settings.h"
#include "startup/trace.h"
#include "support/fakebrowser.h"
#include "support/topwindows.h"
#include "zvconfig.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QPointer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

const QString kInfo = QStringLiteral(ZV_INFO_SITE_URL);
const QString kPage = QStringLiteral("http://127.0.0.1:18062/nc/page.asp");

QList<Form4*> openForm4s()
{
    return topWindows<Form4>();
}

class BrowserWindow : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(openForm4s().isEmpty()); }
    void TearDown() override
    {
        for (Form4* f : openForm4s())
            delete f;
    }

    Form4* makeShown()
    {
        auto* f = new Form4;
        f->show();
        return f;
    }
    FakeBrowser* browserOf(Form4* f) { return static_cast<FakeBrowser*>(f->WebBrowser1()); }

    FakeBrowserFactory factory;
};

TEST_F(BrowserWindow, opensAsAnOrdinaryWindowThatDeletesItselfOnClose)
{
    QPointer<Form4> f = makeShown();
    EXPECT_EQ(f->windowTitle(), QStringLiteral("首席Zelvar") + QString(10, QLatin1Char(' ')) +
                                    QStringLiteral("提示：全屏查看效果更佳"));
    EXPECT_TRUE(f->isWindow());
    EXPECT_EQ(f->size(), QSize(1116, 678));
    EXPECT_TRUE(browserOf(f)->silent);
    EXPECT_EQ(f->WebBrowser1()->widget()->pos(), QPoint(1, 0));
    EXPECT_TRUE(browserOf(f)->navigations.isEmpty());

    f->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(f.isNull());
}

TEST_F(BrowserWindow, resizeSetsBrowserToOuterSizeLessAllowances)
{
    Form4* f = makeShown();
    QWidget* view = f->WebBrowser1()->widget();
    // The allowances are taken off the outer size, frame included.
    const QSize frame = f->frameGeometry().size() - f->size();
    const auto resizeOuter = [f, frame](int w, int h) { f->resize(QSize(w, h) - frame); };

    // 2000 x 1000 twips is 133 x 67 pixels; the browser gets 1950 x 600 twips.
    resizeOuter(133, 67);
    ASSERT_EQ(f->frameGeometry().size(), QSize(133, 67));
    EXPECT_EQ(view->size(), QSize(130, 40));

    // Too low for the height allowance: the height stays, the width still follows.
    resizeOuter(200, 20);
    EXPECT_EQ(view->size(), QSize(197, 40));

    resizeOuter(1116, 678);
    EXPECT_EQ(view->size(), QSize(1113, 651));
}

TEST_F(BrowserWindow, ownMenuOnlyInBoundDocuments)
{
    Form4* f = makeShown();
    FakeBrowser* b = browserOf(f);
    b->completeDocument(1, kPage + QStringLiteral("?frame=1"));
    b->completeDocument(2, kPage + QStringLiteral("?frame=2"));
    b->completeDocument(3, kPage, true);

    EXPECT_FALSE(b->rightClick(1));
    EXPECT_FALSE(b->rightClick(2));
    EXPECT_FALSE(f->mnuPop()->isVisible());
    EXPECT_TRUE(b->rightClick(3));
    EXPECT_TRUE(f->mnuPop()->isVisible());
    f->mnuPop()->hide();

    QStringList items;
    for (QAction* a : f->mnuPop()->actions())
        items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(items, (QStringList{QStringLiteral("后退"), QStringLiteral("前进"),
                                  QStringLiteral("-"), QStringLiteral("刷新")}));
}

TEST_F(BrowserWindow, informationPagesKeepTheMenuBesideTheLastDocument)
{
    Form4* f = makeShown();
    FakeBrowser* b = browserOf(f);
    b->completeDocument(10, kInfo + QStringLiteral("/wisdom.do?method=getWisdom&no=777&typ=4"));
    b->completeDocument(11, kInfo + QStringLiteral("/wisdom.do?method=index&userId=20261"), true);
    b->completeDocument(12, kInfo + QStringLiteral("/wisdom.do?method=index&userid=20261"));
    b->completeDocument(13, kPage);

    EXPECT_TRUE(b->rightClick(10));
    EXPECT_TRUE(b->rightClick(11));
    EXPECT_FALSE(b->rightClick(12)); // a case variant is an ordinary page, since replaced
    EXPECT_TRUE(b->rightClick(13));
    f->mnuPop()->hide();
}

TEST_F(BrowserWindow, menuItemsMoveHistoryAndShowNothing)
{
    Form4* f = makeShown();
    FakeBrowser* b = browserOf(f);
    const auto visibleWindows = [] {
        const QWidgetList all = QApplication::topLevelWidgets();
        return std::count_if(all.begin(), all.end(), [](QWidget* w) { return w->isVisible(); });
    };
    const auto visibleBefore = visibleWindows();

    // On the first page: the engine is asked, and nothing else happens.
    f->findChild<QAction*>(QStringLiteral("mnuBack"))->trigger();
    f->findChild<QAction*>(QStringLiteral("mnuForw"))->trigger();
    f->findChild<QAction*>(QStringLiteral("mnuRe"))->trigger();
    FakeBrowser::settle();

    EXPECT_EQ(b->backs, 1);
    EXPECT_EQ(b->forwards, 1);
    EXPECT_EQ(b->refreshes, 1);
    EXPECT_TRUE(b->navigations.isEmpty());
    EXPECT_EQ(visibleWindows(), visibleBefore);
}

TEST_F(BrowserWindow, newWindowRequestNavigatesTheSameWindowPlainly)
{
    Form4* f = makeShown();
    FakeBrowser* b = browserOf(f);
    const NewWindowRequest r =
        b->requestNewWindow(kPage + QStringLiteral("?next=1"), QByteArrayLiteral("a=1&b=2"));
    EXPECT_TRUE(r.processed);
    ASSERT_EQ(b->navigations.size(), 1);
    EXPECT_EQ(b->navigations[0].url, kPage + QStringLiteral("?next=1"));
    EXPECT_TRUE(b->navigations[0].postData.isEmpty());
    EXPECT_EQ(openForm4s().size(), 1);
    EXPECT_EQ(factory.made.size(), 1);
}

TEST_F(BrowserWindow, newWindowRequestForLocalSchemesIsDropped)
{
    Form4* f = makeShown();
    FakeBrowser* b = browserOf(f);
    for (const char* url : {"file:///etc/passwd", "javascript:alert(1)", "data:text/html,x", ""}) {
        EXPECT_TRUE(b->requestNewWindow(QString::fromUtf8(url)).processed) << url;
    }
    EXPECT_TRUE(b->navigations.isEmpty());
    EXPECT_TRUE(b->requestNewWindow(QStringLiteral("about:blank")).processed);
    EXPECT_EQ(b->navigations.size(), 1);
}

TEST_F(BrowserWindow, twoWindowsAreIndependent)
{
    Form4* a = makeShown();
    Form4* c = makeShown();
    browserOf(a)->completeDocument(1, kPage);
    browserOf(c)->completeDocument(2, kPage);
    EXPECT_TRUE(browserOf(a)->rightClick(1));
    a->mnuPop()->hide();
    EXPECT_FALSE(c->mnuPop()->isVisible());
    c->findChild<QAction*>(QStringLiteral("mnuBack"))->trigger();
    EXPECT_EQ(browserOf(a)->backs, 0);
    EXPECT_EQ(browserOf(c)->backs, 1);
}

} // namespace
