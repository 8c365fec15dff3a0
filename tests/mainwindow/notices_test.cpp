// The day's notices in the main window's tray (an XEmbed tray here): a missed notice
// marks the icon and its tip, stays in "最近消息", and choosing it does what a click on its popup
// does. (The StatusNotifier item and the desktop's list: e2e_notices.)
#include "form1fixture.h"

#include "popup/form2.h"
#include "widgets/appicon.h"

#include <QMenu>

namespace
{

QImage picture(const QIcon& icon)
{
    return icon.pixmap(16).toImage().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

TEST_F(Form1Test, aMissedNoticeMarksTheTrayAndItsEntryOpensItsItem)
{
    load();
    form->show();
    QMenu* recent = form->findChild<QMenu*>(QStringLiteral("mnuRecent"));
    ASSERT_NE(recent, nullptr);
    EXPECT_FALSE(recent->menuAction()->isEnabled()); // nothing came yet
    const QList<QAction*> top = control<QMenu>("mnuTray")->actions();
    ASSERT_EQ(top.size(), 3);
    EXPECT_EQ(top[0], recent->menuAction());
    EXPECT_EQ(top[0]->text(), QStringLiteral("最近消息"));

    // Four notices: the fourth popup closes the first, unseen.
    const QString item = mod_Main::ServerLines[0] + QStringLiteral("/nc/show.asp?id=%1");
    for (int i = 1; i <= 4; ++i)
        form->ShowMsn(QStringLiteral("类别"), QStringLiteral("标题&%1").arg(i), item.arg(i));
    FakeBrowser::settle();
    XEmbedTrayIcon* icon = trayIcon();
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(icon->toolTip(), QStringLiteral("Zelvar快报+首席Zelvar宝\n1 条未读消息"));
    EXPECT_EQ(picture(icon->icon()), picture(AppIcon::markedIcon()));
    EXPECT_NE(picture(AppIcon::markedIcon()), picture(AppIcon::icon()));

    QList<QAction*> entries = recent->actions();
    ASSERT_EQ(entries.size(), 4);
    EXPECT_TRUE(recent->menuAction()->isEnabled());
    // Newest first; "&" stays an ampersand, not a mnemonic.
    EXPECT_TRUE(entries[0]->text().endsWith(QStringLiteral(" 类别 标题&&4")))
        << entries[0]->text().toStdString();
    EXPECT_TRUE(entries[3]->text().startsWith(QStringLiteral("● ")));
    EXPECT_FALSE(entries[2]->text().startsWith(QStringLiteral("● ")));

    // Opening the list is looking: the mark goes, the entry stays marked until it is opened.
    QMetaObject::invokeMethod(recent, "aboutToShow");
    EXPECT_EQ(icon->toolTip(), QStringLiteral("Zelvar快报+首席Zelvar宝"));
    EXPECT_EQ(picture(icon->icon()), picture(AppIcon::icon()));
    entries = recent->actions();
    EXPECT_TRUE(entries[3]->text().startsWith(QStringLiteral("● ")));

    // Choosing it: the item into the member page's fourth frame, the main window back.
    form->showMinimized();
    page()->ready = 4;
    entries[3]->trigger();
    FakeBrowser::settle();
    EXPECT_TRUE(page()->frameLocations.contains(QStringLiteral("3 ") + item.arg(1)))
        << page()->frameLocations.join(' ').toStdString();
    EXPECT_FALSE(form->windowState() & Qt::WindowMinimized);
    EXPECT_FALSE(recent->actions()[3]->text().startsWith(QStringLiteral("● ")));

    // Choosing a notice whose popup is still open takes the popup away too.
    ASSERT_EQ(topWindows<Form2>(true).size(), 3);
    recent->actions()[0]->trigger();
    FakeBrowser::settle();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(topWindows<Form2>(true).size(), 2);
    for (Form2* p : topWindows<Form2>(true))
        p->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
