// The tray on a StatusNotifier desktop (KDE Plasma, Ubuntu's GNOME, Xfce): no XEmbed tray, a
// StatusNotifier host on the session bus. The real program's item carries the tip and an icon,
// its activation brings the hidden main window back, its menu shows and ends the program, and
// the item is gone when the program ends. The panel as a member's day has it: late at login,
// crashed and back, replaced, gone for good. Missed notices on such a desktop: e2e_notices.
#include "harness/harness.h"
#include "harness/statusnotifierhost.h"

#include <gtest/gtest.h>

using namespace harness;

namespace
{

// A private session bus and no XEmbed tray: a StatusNotifier item is the only tray there is.
class StatusNotifierTray : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(d.started()) << d.error().toStdString();
        ASSERT_FALSE(d.hasTray());
        ASSERT_TRUE(service.start()) << service.error().toStdString();
    }

    // The program and its main window.
    WindowId start()
    {
        if (!zv.start()) {
            ADD_FAILURE() << zv.error().toStdString();
            return 0;
        }
        return zv.waitForMainWindow();
    }

    Desktop& d = Desktop::instance({.tray = false, .sound = false, .sessionBus = true});
    DevService service;
    Program zv;
};

TEST_F(StatusNotifierTray, itemTipIconActivationAndMenuWork)
{
    StatusNotifierHost host(d.sessionBus());
    ASSERT_TRUE(host.start());
    const WindowId w = start();
    ASSERT_NE(w, 0u) << describeWindows().toStdString();

    const QString item = host.waitForItem(20000);
    ASSERT_FALSE(item.isEmpty()) << "the program registered no StatusNotifier item";
    EXPECT_EQ(host.toolTipTitle(item), QStringLiteral("Zelvar快报+首席Zelvar宝"));
    EXPECT_FALSE(host.iconSizes(item).isEmpty()) << "the item has no icon picture";

    // The close box hides the window into the item; a left click on the item brings it back.
    ASSERT_TRUE(closeWindow(w));
    ASSERT_TRUE(waitUntil([&] { return !isVisible(w); }, 10000)) << "not hidden into the tray";
    EXPECT_TRUE(zv.running());
    ASSERT_TRUE(host.activate(item));
    EXPECT_TRUE(waitUntil([&] { return isVisible(w); }, 10000));
    EXPECT_TRUE(waitUntil([&] { return activeWindow() == w; }, 5000)) << "not raised";

    const QList<StatusNotifierHost::MenuEntry> menu = host.menu(item);
    ASSERT_EQ(menu.size(), 3);
    // The day's notices on top, none yet.
    EXPECT_EQ(menu[0].label, QStringLiteral("最近消息"));
    EXPECT_FALSE(menu[0].enabled);
    EXPECT_TRUE(menu[0].children.isEmpty());
    EXPECT_EQ(menu[1].label, QStringLiteral("显示程序"));
    EXPECT_EQ(menu[2].label, QStringLiteral("关闭退出"));
    EXPECT_EQ(host.status(item), QStringLiteral("Active"));

    ASSERT_TRUE(closeWindow(w));
    ASSERT_TRUE(waitUntil([&] { return !isVisible(w); }, 10000));
    ASSERT_TRUE(host.clickMenuEntry(item, menu[1].id));
    EXPECT_TRUE(waitUntil([&] { return isVisible(w); }, 10000)) << "显示程序 did not show it";

    ASSERT_TRUE(host.clickMenuEntry(item, menu[2].id));
    ASSERT_TRUE(zv.waitForExit(10000));
    EXPECT_FALSE(zv.crashed());
    EXPECT_TRUE(waitUntil([&] { return zv.leftovers().isEmpty(); }, 5000));
    EXPECT_TRUE(waitUntil([&] { return !host.itemAlive(item); }, 5000)) << "the item outlived it";
}

// The panel comes 5 s after the main window, crashes and comes back, is replaced by another and
// at last goes for good. The item is taken by each watcher that comes; the close box hides the
// window only while the item is shown (minimises it before); a window hidden in a panel that went
// and did not come back returns minimised once the grace period is over.
TEST_F(StatusNotifierTray, theItemFollowsPanelsThatComeLateComeBackOrGoForGood)
{
    const WindowId w = start();
    ASSERT_NE(w, 0u) << describeWindows().toStdString();
    const auto state = [&] { return windowState(w); };
    // What the program last said of its icon: "shown ..." or "gone".
    const auto traySays = [&](const char* what) {
        return zv.lastTrace(QStringLiteral("tray")).startsWith(QLatin1String(what));
    };
    // A panel's watcher takes the item, and a click on it there shows the window.
    const auto takesTheItem = [&](StatusNotifierHost& watcher) {
        const QString item = watcher.waitForItem(10000);
        EXPECT_FALSE(item.isEmpty()) << "no item registered with the watcher";
        EXPECT_TRUE(watcher.activate(item));
        EXPECT_TRUE(waitUntil([&] { return state() == WindowState::Normal; })) << toString(state());
    };

    // Nothing to hide into yet: the close box minimises (once the window is up and its page
    // shown: a window manager may not yet take a request to minimise a window it is still
    // putting up).
    ASSERT_TRUE(zv.waitForTrace(QStringLiteral("loaded"), QStringLiteral("/nc/i88-62.asp"), 20000));
    ASSERT_TRUE(closeWindow(w));
    EXPECT_TRUE(waitUntil([&] { return state() == WindowState::Minimised; }, 5000))
        << toString(state());

    waitUntil([] { return false; }, 5000);
    auto host = std::make_unique<StatusNotifierHost>(d.sessionBus());
    ASSERT_TRUE(host->start());
    takesTheItem(*host);
    ASSERT_TRUE(waitUntil([&] { return traySays("shown"); }, 5000))
        << zv.traceOf(QStringLiteral("tray")).join(' ').toStdString();
    ASSERT_TRUE(closeWindow(w));
    EXPECT_TRUE(waitUntil([&] { return state() == WindowState::Hidden; })) << toString(state());

    // The panel crashes and starts again: the new watcher gets the item, which shows the window.
    host.reset();
    host = std::make_unique<StatusNotifierHost>(d.sessionBus());
    ASSERT_TRUE(host->start());
    takesTheItem(*host);

    // Another panel takes the watcher's name over directly (--replace).
    ASSERT_TRUE(waitUntil([&] { return traySays("shown"); }, 5000));
    ASSERT_TRUE(closeWindow(w));
    ASSERT_TRUE(waitUntil([&] { return state() == WindowState::Hidden; })) << toString(state());
    auto successor = std::make_unique<StatusNotifierHost>(d.sessionBus());
    ASSERT_TRUE(successor->start(/*replace=*/true));
    takesTheItem(*successor);

    // The panel goes for good while the window is hidden: it stays hidden for the grace period,
    // then comes back minimised.
    ASSERT_TRUE(waitUntil([&] { return traySays("shown"); }, 5000));
    ASSERT_TRUE(closeWindow(w));
    ASSERT_TRUE(waitUntil([&] { return state() == WindowState::Hidden; })) << toString(state());
    successor.reset();
    host.reset();
    ASSERT_TRUE(waitUntil([&] { return traySays("gone"); }, 5000));
    EXPECT_EQ(state(), WindowState::Hidden);
    EXPECT_TRUE(waitUntil([&] { return state() == WindowState::Minimised; }, 20000))
        << toString(state());
    zv.terminate();
    EXPECT_TRUE(zv.waitForExit(10000));
}

} // namespace
