// The tray while the program starts: nothing is asked of the desktop before start(), what was
// wanted before comes up with it, and what was taken back before stays down. Here the session
// bus's address leads nowhere and the screen is offscreen, as on a machine without a desktop.
#include "tray/statusnotifieritem.h"
#include "tray/traycontroller.h"
#include "tray/xembedtrayicon.h"

#include <QWidget>
#include <gtest/gtest.h>

namespace
{

class TrayControllerStart : public ::testing::Test
{
protected:
    QWidget window;
    TrayController tray{&window};
    XEmbedTrayIcon* icon = window.findChild<XEmbedTrayIcon*>();
    StatusNotifierItem* item = window.findChild<StatusNotifierItem*>();
};

TEST_F(TrayControllerStart, anIconAddedBeforeStartIsWantedAtOnceAndStaysSoWhereNoBusAnswers)
{
    ASSERT_NE(icon, nullptr);
    ASSERT_NE(item, nullptr);
    tray.add();
    // Wanted at once, so that the main window can count on it; nothing is on the screen yet.
    EXPECT_TRUE(icon->isVisible());
    EXPECT_FALSE(item->settled()) << "the bus was asked before start()";
    EXPECT_FALSE(tray.iconShown());

    tray.start();
    EXPECT_TRUE(item->settled()) << "without a bus there is nothing to wait for";
    EXPECT_TRUE(icon->isVisible());
    EXPECT_FALSE(item->isShown());
    EXPECT_FALSE(tray.iconShown()); // no tray on this screen to dock in
    tray.start();                   // once only: nothing changes
    EXPECT_TRUE(icon->isVisible());
}

TEST_F(TrayControllerStart, anIconTakenBackBeforeStartStaysDownAndOneAddedAfterIsWantedAtOnce)
{
    ASSERT_NE(icon, nullptr);
    tray.add();
    tray.remove();
    tray.start();
    EXPECT_FALSE(icon->isVisible());
    EXPECT_FALSE(tray.iconShown());

    tray.add();
    EXPECT_TRUE(icon->isVisible());
    tray.remove();
    EXPECT_FALSE(icon->isVisible());
}

} // namespace
