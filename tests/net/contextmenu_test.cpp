// Right clicks: the document under the mouse, and the engine's menu only when nobody took it.
#include "browserfixture.h"
#include "support/testsite.h"
#include "testpages.h"

#include <QApplication>
#include <QMenu>

namespace
{

class ContextMenuTest : public BrowserFixture
{
protected:
    void SetUp() override
    {
        BrowserFixture::SetUp();
        site.page("/f", plainPage("frame"));
        site.page("/member", frameset({"/f?0", "/f?1", "/f?2", "/f?3"}));
        ASSERT_TRUE(load(site.url("/member")));
        QObject::connect(browser, &Browser::contextMenu, browser, [this](ContextMenuRequest& r) {
            requests.append(r);
            r.handled = takeMenu;
        });
    }

    void TearDown() override
    {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
        BrowserFixture::TearDown();
    }

    quint64 frameDoc(int index)
    {
        const CompletedDocument* d = findCompleted(site.url("/f?%1").arg(index));
        return d ? d->docId : 0;
    }

    TestSite site;
    QList<ContextMenuRequest> requests;
    bool takeMenu = true;
};

TEST_F(ContextMenuTest, rightClick_namesTheFrameUnderTheMouse)
{
    // Four rows of 150 pixels in a 600 pixel high view.
    struct Case {
        int y;
        int frame;
    };
    for (const Case c : {Case{75, 0}, Case{375, 2}, Case{525, 3}}) {
        requests.clear();
        click(QPoint(200, c.y), Qt::RightButton);
        ASSERT_TRUE(waitFor([&] { return !requests.isEmpty(); })) << c.frame;
        EXPECT_EQ(requests.size(), 1);
        ASSERT_NE(frameDoc(c.frame), 0u);
        EXPECT_EQ(requests.first().docId, frameDoc(c.frame)) << c.frame;
        EXPECT_EQ(requests.first().globalPos, browser->widget()->mapToGlobal(QPoint(200, c.y)));
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    }
}

TEST_F(ContextMenuTest, notHandled_showsTheEnginesMenu)
{
    takeMenu = false;
    click(QPoint(200, 75), Qt::RightButton);
    ASSERT_TRUE(waitFor([&] { return !requests.isEmpty(); }));
    EXPECT_TRUE(waitFor([&] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }));
}

} // namespace
