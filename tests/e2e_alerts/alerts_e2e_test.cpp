// A changed message list announced by the real program: one popup with the new item, its sound,
// and a click that loads the item into the member page and brings the main window back.
#include "harness/harness.h"

#include <QProcessEnvironment>

#include <gtest/gtest.h>

using namespace harness;

namespace
{

const QString PopupCaption = QStringLiteral("有新信息，请注意查看！");

TEST(AlertsEndToEnd, changedLineFiveOpensOnePopupThatLeadsToTheItem)
{
    Desktop& d = Desktop::instance();
    ASSERT_TRUE(d.started()) << d.error().toStdString();
    DevService service;
    ASSERT_TRUE(service.start()) << service.error().toStdString();
    ASSERT_TRUE(
        service.setList("tx", messageListWithLine5("105,旧标题105,机构密函,/nc/show.asp?id=105")));

    // A test build's one-second poll (a member's build polls every 30 s, which the poll's own
    // tests check).
    QProcessEnvironment env;
    env.insert(QStringLiteral("ZV_TEST_POLL_MS"), QStringLiteral("1000"));
    Program zv({.config = QByteArray("[config]\r\njgmh=1\r\n"), .extraEnv = env});
    ASSERT_TRUE(zv.start()) << zv.error().toStdString();
    const WindowId mainWindow = zv.waitForMainWindow();
    ASSERT_NE(mainWindow, 0u);

    // The first poll takes the baseline and announces nothing, nor does the next, of the same
    // list.
    auto isList = [](const LogEntry& e) { return e.path == QLatin1String("/nc/tx.asp"); };
    const auto first = service.waitForRequest(isList, 30000);
    ASSERT_TRUE(first.has_value());
    EXPECT_FALSE(first->queryItem("s").isEmpty());
    ASSERT_TRUE(service
                    .waitForRequest(
                        [&](const LogEntry& e) { return isList(e) && e.seq > first->seq; }, 10000)
                    .has_value());
    waitUntil([] { return false; }, 500); // that poll's answer compared
    EXPECT_TRUE(findWindows(PopupCaption, zv.pid()).isEmpty());
    EXPECT_TRUE(zv.traceOf("sound").isEmpty());

    ASSERT_TRUE(service.clearLog());
    ASSERT_TRUE(service.setList(
        "tx", messageListWithLine5("777,新的机构密函,机构密函,/nc/show.asp?id=777")));
    ASSERT_TRUE(minimise(mainWindow));

    const WindowId popup = waitForWindow(PopupCaption, 15000, zv.pid());
    ASSERT_NE(popup, 0u) << describeWindows().toStdString();
    EXPECT_EQ(findWindows(PopupCaption, zv.pid()).size(), 1);
    EXPECT_TRUE(isAbove(popup));
    ASSERT_TRUE(zv.waitForTrace("popup", "新的机构密函"));
    EXPECT_EQ(zv.traceOf("popup").size(), 1);
    EXPECT_TRUE(zv.traceOf("popup").first().contains("/nc/show.asp?id=777"));
    ASSERT_TRUE(zv.waitForTrace("sound", "ts1.wav"));
    EXPECT_EQ(zv.traceOf("sound").size(), 1);

    // Bottom-right of the whole screen, by the outer size.
    const WindowGeometry g = geometry(popup);
    EXPECT_EQ(g.client.size(), QSize(230, 102));
    const QSize screen = d.options().screen;
    EXPECT_TRUE(waitUntil(
        [&] {
            const QRect outer = geometry(popup).outer;
            return outer.x() == screen.width() - outer.width() - 3 &&
                   outer.y() == screen.height() - outer.height() - 33;
        },
        3000))
        << "outer " << geometry(popup).outer.x() << "," << geometry(popup).outer.y() << " "
        << geometry(popup).outer.width() << "x" << geometry(popup).outer.height();

    ASSERT_TRUE(click(popup, 115, 40));
    const auto item = service.waitForRequest(
        [](const LogEntry& e) {
            return e.path == QLatin1String("/nc/show.asp") &&
                   e.queryItem("id") == QLatin1String("777");
        },
        15000);
    EXPECT_TRUE(item.has_value());
    EXPECT_TRUE(waitForNoWindow(PopupCaption, 10000, zv.pid()));
    EXPECT_TRUE(waitUntil([&] { return windowState(mainWindow) == WindowState::Normal; }, 10000))
        << toString(windowState(mainWindow));
}

TEST(AlertsEndToEnd, laterNoticesCloseAClickedPopupWhoseMessageIsStillOpen)
{
    // A member page whose fourth frame is missing: a click on a popup says so in a box. The box
    // is left open; three more notices close that popup under it. The program goes on.
    Desktop& d = Desktop::instance();
    ASSERT_TRUE(d.started()) << d.error().toStdString();
    DevService service;
    ASSERT_TRUE(service.start()) << service.error().toStdString();
    ASSERT_TRUE(service.setOptions(QStringLiteral("member_frames=3")));
    auto list = [](int n) {
        return messageListWithLine5(
            QStringLiteral("%1,通知%1,机构密函,/nc/show.asp?id=%1").arg(900 + n));
    };
    ASSERT_TRUE(service.setList("tx", list(0)));

    QProcessEnvironment env;
    env.insert(QStringLiteral("ZV_TEST_POLL_MS"), QStringLiteral("1000"));
    Program zv({.config = QByteArray("[config]\r\njgmh=1\r\n"), .extraEnv = env});
    ASSERT_TRUE(zv.start()) << zv.error().toStdString();
    const WindowId mainWindow = zv.waitForMainWindow();
    ASSERT_NE(mainWindow, 0u);
    auto isList = [](const LogEntry& e) { return e.path == QLatin1String("/nc/tx.asp"); };
    ASSERT_TRUE(service.waitForRequest(isList, 30000).has_value()); // the baseline

    ASSERT_TRUE(service.setList("tx", list(1)));
    const WindowId popup = waitForWindow(PopupCaption, 15000, zv.pid());
    ASSERT_NE(popup, 0u) << describeWindows().toStdString();
    ASSERT_TRUE(waitUntil([&] { return isVisible(popup); }, 5000));
    ASSERT_TRUE(click(popup, 115, 40));
    ASSERT_TRUE(zv.waitForTrace("msgbox", QStringLiteral("主窗口未正常加载")));

    for (int n = 2; n <= 4; ++n) {
        ASSERT_TRUE(service.setList("tx", list(n)));
        ASSERT_TRUE(zv.waitForTrace("popup", QStringLiteral("通知%1").arg(900 + n), 15000));
    }
    // Popup 1 and its box are gone with notice 4; popups 2, 3 and 4 stay.
    EXPECT_TRUE(waitUntil([&] { return !exists(popup); }, 5000)) << describeWindows().toStdString();
    waitUntil([] { return false; }, 2000);
    EXPECT_TRUE(zv.running());
    EXPECT_FALSE(zv.crashed());
    EXPECT_TRUE(exists(mainWindow));
    EXPECT_EQ(findWindows(PopupCaption, zv.pid()).size(), 3);
}

} // namespace
