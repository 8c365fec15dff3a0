// ShowMsn and the popup: which notices open, how many stay, what a click does, the minimise rule
// and the closing ticks.
#include "popup/form2.h"
#include "popup/msnnotifier.h"
#include "popup/popuprule.h"
#include "support/fakebrowser.h"
#include "support/messageboxes.h"
#include "support/topwindows.h"
#include "support/waitfor.h"
#include "widgets/messagebox.h"
#include "widgets/windowframe.h"

#include <QAccessible>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <gtest/gtest.h>

namespace
{

const QString Unloaded = QStringLiteral("主窗口未正常加载，请尝试重启软件或检查网络！");

QList<Form2*> openPopups()
{
    return topWindows<Form2>(true);
}

// A popup's controls by their design names.
QLabel* label(Form2* p, const char* name)
{
    return p->findChild<QLabel*>(QLatin1String(name));
}
QTimer* timer(Form2* p)
{
    return p->findChild<QTimer*>(QStringLiteral("Timer1"));
}
// The text of a label or of one of the hidden fields.
QString text(Form2* p, const char* name)
{
    if (const auto* field = p->findChild<QLineEdit*>(QLatin1String(name)))
        return field->text();
    const QLabel* l = label(p, name);
    return l ? l->text() : QStringLiteral("<no %1>").arg(QLatin1String(name));
}

void flushDeletes()
{
    FakeBrowser::settle();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Makes a shown window the active one, as the member's click on it does.
bool activate(QWidget& window)
{
    window.activateWindow();
    return waitFor([&] { return QApplication::activeWindow() == &window; }, 5000);
}

class PopupTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        main.setWindowTitle("main");
        main.resize(400, 300);
        main.show();
        ASSERT_TRUE(activate(main));
    }
    void TearDown() override
    {
        for (Form2* p : openPopups())
            p->close();
        flushDeletes();
    }

    ScriptedMessageBoxes boxes;
    QWidget main;
    FakeBrowser browser;
    MsnNotifier notifier{&main, &browser};
};

TEST_F(PopupTest, declinesArialTitlesWithoutCountingThem)
{
    for (const char* title : {"Arial", "ARIAL 字体", "xarialx", "aRiAl"})
        notifier.ShowMsn("类别", title, "http://127.0.0.1:1/a");
    EXPECT_EQ(notifier.MsnCount(), 0);
    EXPECT_TRUE(openPopups().isEmpty());
    notifier.ShowMsn("类别", "Aria l", "http://127.0.0.1:1/a");
    EXPECT_EQ(notifier.MsnCount(), 1);
    EXPECT_EQ(openPopups().size(), 1);
}

TEST_F(PopupTest, fourNoticesLeaveTheThreeNewest)
{
    for (int i = 1; i <= 4; ++i)
        notifier.ShowMsn("类别", QStringLiteral("标题%1").arg(i), "http://127.0.0.1:1/a");
    flushDeletes();
    QStringList serials;
    for (Form2* p : openPopups())
        serials << text(p, "lblIndex");
    serials.sort();
    EXPECT_EQ(serials, (QStringList{"2", "3", "4"}));
    EXPECT_EQ(notifier.MsnCount(), 4);
}

TEST_F(PopupTest, popupCarriesTheNoticeAndItsLook)
{
    notifier.ShowMsn("机构密函", "", "http://127.0.0.1:1/nc/x.asp?id=5");
    ASSERT_EQ(openPopups().size(), 1);
    Form2* p = openPopups().first();
    EXPECT_EQ(label(p, "Label1")->text(), "><");
    EXPECT_EQ(label(p, "Label2")->text(), "有新信息，请点击查看！");
    EXPECT_EQ(text(p, "ZuNameTxT"), "机构密函");
    EXPECT_EQ(text(p, "ZiUrlTxT"), "http://127.0.0.1:1/nc/x.asp?id=5");
    EXPECT_EQ(text(p, "lblIndex"), "1");
    EXPECT_EQ(p->windowTitle(), PopupRule::caption());
    EXPECT_EQ(p->size(), QSize(230, 102));
    EXPECT_EQ(p->minimumSize(), p->maximumSize());
    EXPECT_EQ(label(p, "Label1")->geometry(), QRect(0, 24, 249, 33));
    EXPECT_TRUE(label(p, "Label1")->font().bold());
    EXPECT_EQ(label(p, "Label1")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    const Qt::WindowFlags f = p->windowFlags();
    EXPECT_TRUE(f.testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(f & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_FALSE(f.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(f.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(p->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(p->cursor().hotSpot(), QPoint(5, 0));
}

TEST_F(PopupTest, titlesArePlainTextAndAHugeOneIsCut)
{
    // What a list brings is shown as it came, never as markup.
    for (const char* title : {"&lt;x&amp;y", "a < b and more <b>bold", "<img src=x>", "1<2"}) {
        notifier.ShowMsn("类别", title, "http://127.0.0.1:1/a");
        ASSERT_EQ(openPopups().size(), 1);
        Form2* p = openPopups().first();
        QLabel* l = label(p, "Label1");
        EXPECT_EQ(l->text(), QLatin1Char('>') + QString::fromUtf8(title) + QLatin1Char('<'));
        EXPECT_EQ(l->textFormat(), Qt::PlainText) << title;
        p->close();
        flushDeletes();
    }
    // A title of a megabyte (the fetch's limit) is not laid out whole on every paint.
    const QString huge(1024 * 1024, QChar(0x4E2D));
    notifier.ShowMsn("类别", huge, "http://127.0.0.1:1/a");
    ASSERT_EQ(openPopups().size(), 1);
    Form2* p = openPopups().first();
    const QString shown = label(p, "Label1")->text();
    EXPECT_EQ(shown.size(), PopupRule::kMaxTitleChars + 3);
    EXPECT_TRUE(shown.endsWith(QStringLiteral("\u2026<")));
    EXPECT_EQ(text(p, "ZiNameTxT").left(10), huge.left(10));
}

TEST_F(PopupTest, aPopupIsAnAlertNamedByItsNotice)
{
    // What a screen reader reads of it as it appears (the platform's accessibility bridge, which
    // this headless platform has none of, also gets an Alert event then).
    notifier.ShowMsn("机构密函", "降准 & 降息", "http://127.0.0.1:1/a");
    ASSERT_EQ(openPopups().size(), 1);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(openPopups().first());
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::AlertMessage);
    EXPECT_EQ(a->text(QAccessible::Name), QStringLiteral("机构密函 降准 & 降息"));
}

// The corner by the outer size: 3 pixels from the screen's right edge, 33 above its bottom.
void expectInTheCorner(const QRect& outer)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(outer.right(), screen.right() - 3);
    EXPECT_EQ(outer.bottom(), screen.bottom() - 33);
}

TEST_F(PopupTest, aLaterPopupIsInItsCornerByTheEarlierOnesFrameBeforeItShows)
{
    // The offscreen platform frames every window, 2 pixels all round, once it is shown.
    notifier.ShowMsn("机构密函", "第一条", "http://127.0.0.1:1/nc/x.asp?id=1");
    ASSERT_EQ(openPopups().size(), 1);
    Form2* first = openPopups().first();
    ASSERT_TRUE(waitFor([&] { return WindowFrame::known(first).has_value(); }));
    const QMargins frame = *WindowFrame::known(first);
    ASSERT_TRUE(waitFor([&] {
        const QRect outer = first->geometry().marginsAdded(frame);
        return outer.bottom() == QGuiApplication::primaryScreen()->geometry().bottom() - 33;
    }));
    expectInTheCorner(first->geometry().marginsAdded(frame));

    // Not shown yet, and already where it will show.
    Form2 second(&main, &browser);
    EXPECT_FALSE(second.isVisible());
    expectInTheCorner(second.geometry().marginsAdded(frame));
}

TEST_F(PopupTest, clickLoadsTheItemIntoTheFourthFrameAndRestoresTheMainWindow)
{
    main.hide();
    notifier.ShowMsn("类别", "标题", "http://127.0.0.1:1/nc/item.asp?id=9");
    QPointer<Form2> p = openPopups().first();
    // A press and release over the title label is a click on the popup.
    const QPointF at = label(p, "Label1")->geometry().center();
    QMouseEvent press(QEvent::MouseButtonPress, at, p->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, p->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(p, &press);
    QApplication::sendEvent(p, &release);
    flushDeletes();
    EXPECT_EQ(browser.frameLocations, (QStringList{"3 http://127.0.0.1:1/nc/item.asp?id=9"}));
    EXPECT_TRUE(MessageBox::shownTexts().isEmpty());
    EXPECT_TRUE(main.isVisible());
    EXPECT_FALSE(main.isMinimized());
    EXPECT_TRUE(p.isNull());
}

TEST_F(PopupTest, clickWithoutALoadedMemberPage)
{
    const struct {
        const char* name;
        int ready;
        int frames;
        bool message;
    } cases[] = {{"still_loading", 3, 4, false}, {"too_few_frames", 4, 2, true}};
    for (const auto& c : cases) {
        MessageBox::resetForTesting();
        MessageBox::setNextAnswer(MessageBox::Answer::Ok);
        browser.ready = c.ready;
        browser.frames = c.frames;
        browser.frameLocations.clear();
        main.showMinimized();
        notifier.ShowMsn("类别", "标题", "http://127.0.0.1:1/x");
        QPointer<Form2> p = openPopups().first();
        p->Form_Click();
        flushDeletes();
        EXPECT_TRUE(browser.frameLocations.isEmpty()) << c.name;
        EXPECT_EQ(MessageBox::shownTexts(), c.message ? QStringList{Unloaded} : QStringList{})
            << c.name;
        EXPECT_FALSE(main.isMinimized()) << c.name;
        EXPECT_TRUE(main.isVisible()) << c.name;
        EXPECT_TRUE(p.isNull()) << c.name;
    }
}

TEST_F(PopupTest, clickWhoseAnswerNeverComesEndsAfterABoundedWait)
{
    // The member page went away under the click (or its renderer died): the engine never answers.
    // The click then ends as if the frame could not be set, and further clicks meanwhile count
    // for nothing.
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    browser.answers = false;
    main.showMinimized();
    QPointer<Form2> p = new Form2(&main, &browser, 60000, 1000);
    p->setNotice(1, "类别", "标题", "http://127.0.0.1:1/x");
    p->show();
    p->Form_Click();
    p->Form_Click();
    FakeBrowser::settle();
    EXPECT_FALSE(p.isNull()) << "gave up before its wait";
    QElapsedTimer waited;
    waited.start();
    while (!p.isNull() && waited.elapsed() < 5000)
        flushDeletes();
    EXPECT_TRUE(p.isNull()) << "the popup stayed";
    EXPECT_EQ(browser.frameLocations.size(), 1);
    EXPECT_EQ(MessageBox::shownTexts(), QStringList{Unloaded});
    EXPECT_FALSE(main.isMinimized());
    EXPECT_TRUE(main.isVisible());
}

TEST_F(PopupTest, minimiseRuleFollowsTheActiveWindow)
{
    QWidget other;
    other.show();

    ASSERT_TRUE(activate(main));
    notifier.ShowMsn("c", "t", "u");
    EXPECT_FALSE(main.isMinimized()); // the member is working in the main window

    ASSERT_TRUE(activate(other));
    notifier.ShowMsn("c", "t", "u");
    EXPECT_TRUE(main.isMinimized());

    main.showNormal();
    main.hide();
    ASSERT_TRUE(activate(other));
    notifier.ShowMsn("c", "t", "u");
    EXPECT_FALSE(main.isVisible()); // in the tray it stays there
    EXPECT_FALSE(main.isMinimized());
}

TEST_F(PopupTest, leftAloneClosesOnTheThirdTick)
{
    notifier.setPopupTickInterval(30);
    notifier.ShowMsn("c", "t", "u");
    QPointer<Form2> p = openPopups().first();
    EXPECT_EQ(timer(p)->interval(), 30);
    timer(p)->stop(); // ticks driven by hand
    p->Timer1_Timer();
    p->Timer1_Timer();
    EXPECT_TRUE(p->isVisible());
    p->Timer1_Timer();
    flushDeletes();
    EXPECT_TRUE(p.isNull());
}

} // namespace
