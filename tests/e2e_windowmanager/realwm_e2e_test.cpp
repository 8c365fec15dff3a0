// The main window and the popups under real window managers, which draw their own title bars
// (taller than openbox's) and keep windows inside the work area: openbox, GNOME's mutter and
// KDE's KWin, on screens with a panel along the top edge. Everything is measured on the real
// windows: the frame as the window manager states it, the controls as the program laid them out.
#include "e2e_windowmanager/mainwindowlayout.h"
#include "harness/harness.h"
#include "harness/xconnection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <unistd.h>

using namespace harness;

namespace
{

const QString PopupCaption = QStringLiteral("有新信息，请注意查看！");
constexpr int PanelHeight = 32;

// One desktop at a time: the one the running test asked for, started when first asked for and
// replaced when a test asks for another.
Desktop& desktopWith(WindowManager wm, QSize screen)
{
    static std::unique_ptr<Desktop> current;
    static bool cleanUp = [] {
        qAddPostRoutine([] {
            setDesktop(nullptr);
            current.reset();
        });
        return true;
    }();
    (void)cleanUp;
    if (!current || current->options().windowManager != wm || current->options().screen != screen) {
        setDesktop(nullptr);
        current.reset();
        current = std::make_unique<Desktop>(DesktopOptions{.tray = false,
                                                           .sound = false,
                                                           .windowManager = wm,
                                                           .screen = screen,
                                                           .topPanel = PanelHeight});
        if (!current->start())
            ADD_FAILURE() << current->error().toStdString();
    }
    setDesktop(current.get());
    return *current;
}

// The client size the program last asked the window system for (WM_NORMAL_HINTS).
QSize askedSize(XConnection& x, WindowId w)
{
    const QList<quint32> hints = x.property32(static_cast<quint32>(w), "WM_NORMAL_HINTS");
    if (hints.size() < 5)
        return {};
    return {int(hints[3]), int(hints[4])};
}

// Waits until the window's outer rectangle has stayed the same for a second (at most 15 s),
// noting the largest size the program asked for meanwhile.
QRect settledOuter(XConnection& x, WindowId w, QSize& largestAsked)
{
    QRect last;
    QElapsedTimer still;
    still.start();
    waitUntil(
        [&] {
            largestAsked = largestAsked.expandedTo(askedSize(x, w));
            const QRect now = geometry(w).outer;
            if (now != last) {
                last = now;
                still.restart();
            }
            return still.elapsed() > 1000;
        },
        15000);
    return last;
}

struct StartCase {
    WindowManager wm;
    QSize screen;
};

class RealWindowManagers : public ::testing::TestWithParam<StartCase>
{
};

TEST_P(RealWindowManagers, mainWindowOpensAtItsDesignedSizeCentredAndWhole)
{
    const StartCase c = GetParam();
    Desktop& d = desktopWith(c.wm, c.screen);
    ASSERT_TRUE(d.started()) << d.error().toStdString();
    DevService service;
    ASSERT_TRUE(service.start()) << service.error().toStdString();
    Program zv(d, {});
    ASSERT_TRUE(zv.start()) << zv.error().toStdString();
    const WindowId w = zv.waitForMainWindow();
    ASSERT_NE(w, 0u) << describeWindows().toStdString();

    QSize largestAsked;
    const QRect outer = settledOuter(d.x(), w, largestAsked);
    QStringList extents;
    for (quint32 v : d.x().property32(static_cast<quint32>(w), "_NET_FRAME_EXTENTS"))
        extents.append(QString::number(v));
    std::printf("[ %-8s ] outer %dx%d at %d,%d on %dx%d; client %dx%d; frame %s; largest size "
                "asked %dx%d\n",
                toString(c.wm), outer.width(), outer.height(), outer.x(), outer.y(),
                c.screen.width(), c.screen.height(), geometry(w).client.width(),
                geometry(w).client.height(), qPrintable(extents.join(QLatin1Char(','))),
                largestAsked.width(), largestAsked.height());

    // 15500 × 10400 twips, raised to 10680 high: 1033 × 712 with the frame.
    EXPECT_NEAR(outer.width(), 1033, 4);
    EXPECT_NEAR(outer.height(), 712, 4);
    EXPECT_TRUE(QRect(QPoint(0, 0), c.screen).contains(outer)) << "not whole on the screen";
    // Centred on the screen; a window manager keeps the top below the panel.
    EXPECT_NEAR(outer.x(), (c.screen.width() - 1033) / 2, 2);
    EXPECT_NEAR(outer.y(), std::max((c.screen.height() - 712) / 2, PanelHeight), 2);
    EXPECT_LE(largestAsked.width(), c.screen.width());
    EXPECT_LE(largestAsked.height(), c.screen.height());
    expectControlsInside(zv, w);
}

INSTANTIATE_TEST_SUITE_P(
    Desktops, RealWindowManagers,
    ::testing::Values(StartCase{WindowManager::Openbox, {1280, 1024}},
                      StartCase{WindowManager::KWin, {1280, 1024}},
                      StartCase{WindowManager::Mutter, {1280, 1024}},
                      // A laptop: the work area leaves 736 pixels for a 712-pixel window.
                      StartCase{WindowManager::Mutter, {1366, 768}}),
    [](const ::testing::TestParamInfo<StartCase>& i) {
        return std::string(toString(i.param.wm)) + "_" + std::to_string(i.param.screen.width()) +
               "x" + std::to_string(i.param.screen.height());
    });

// The popup's outer rectangle where the corner rule puts it: 3 pixels from the right edge and
// 33 above the bottom edge of the whole screen.
bool inItsCorner(const QRect& outer, QSize screen)
{
    return outer.right() == screen.width() - 1 - 3 && outer.bottom() == screen.height() - 1 - 33;
}

TEST(RealWindowManagerPopups, sitInTheCornerByTheirRealFrameAndLaterOnesDoNotJump)
{
    const QSize screen(1280, 1024);
    Desktop& d = desktopWith(WindowManager::Mutter, screen);
    ASSERT_TRUE(d.started()) << d.error().toStdString();
    DevService service;
    ASSERT_TRUE(service.start()) << service.error().toStdString();
    ASSERT_TRUE(
        service.setList("tx", messageListWithLine5("105,旧标题105,机构密函,/nc/show.asp?id=105")));
    QProcessEnvironment fastPoll;
    fastPoll.insert(QStringLiteral("ZV_TEST_POLL_MS"), QStringLiteral("1000"));
    Program zv(d, {.config = QByteArray("[config]\r\njgmh=1\r\n"), .extraEnv = fastPoll});
    ASSERT_TRUE(zv.start()) << zv.error().toStdString();
    ASSERT_NE(zv.waitForMainWindow(), 0u);
    ASSERT_TRUE(service.waitForPath(QStringLiteral("/nc/tx.asp"), 20000).has_value());

    QList<WindowId> seen;
    // Announces the next item and returns its popup with where it was first seen mapped.
    const auto announce = [&](int id) -> std::pair<WindowId, QRect> {
        if (!service.setList("tx",
                             messageListWithLine5(QStringLiteral("%1,新的机构密函%1,机构密函,/nc/"
                                                                 "show.asp?id=%1")
                                                      .arg(id))))
            return {};
        WindowId popup = 0;
        QRect first;
        waitUntil(
            [&] {
                for (WindowId p : findWindows(PopupCaption, zv.pid())) {
                    if (!seen.contains(p) && isMapped(p)) {
                        popup = p;
                        first = geometry(p).outer;
                        return true;
                    }
                }
                return false;
            },
            15000, 5);
        seen.append(popup);
        return {popup, first};
    };

    const auto [popup1, first1] = announce(701);
    ASSERT_NE(popup1, 0u) << describeWindows().toStdString();
    EXPECT_EQ(geometry(popup1).client.size(), QSize(230, 102));
    // The first popup's frame is not known before it shows: it settles at once.
    EXPECT_TRUE(waitUntil([&] { return inItsCorner(geometry(popup1).outer, screen); }, 2000))
        << "outer " << geometry(popup1).outer.x() << "," << geometry(popup1).outer.y() << " "
        << geometry(popup1).outer.width() << "x" << geometry(popup1).outer.height();

    const auto [popup2, first2] = announce(702);
    ASSERT_NE(popup2, 0u) << describeWindows().toStdString();
    const QRect outer2 = geometry(popup2).outer;
    std::printf("[ mutter   ] popup outer %dx%d at %d,%d (first seen at %d,%d)\n", outer2.width(),
                outer2.height(), outer2.x(), outer2.y(), first2.x(), first2.y());
    EXPECT_TRUE(inItsCorner(first2, screen)) << "a later popup first shows at " << first2.x() << ","
                                             << first2.y() << ", not in its corner";
    EXPECT_TRUE(inItsCorner(outer2, screen));
    EXPECT_TRUE(QRect(QPoint(0, 0), screen).contains(outer2));
    EXPECT_GT(outer2.height(), 102) << "the window manager drew no title bar";
}

TEST(RealWindowManagerSecondStart, bringsTheMinimisedWindowBackUnderMutterWithoutATray)
{
    // Debian's GNOME: no tray of any kind. The close box minimises the window, and the member
    // gets it back by starting the program again from the menu.
    Desktop& d = desktopWith(WindowManager::Mutter, QSize(1280, 1024));
    ASSERT_TRUE(d.started()) << d.error().toStdString();
    DevService service;
    ASSERT_TRUE(service.start()) << service.error().toStdString();
    Program zv(d, {});
    ASSERT_TRUE(zv.start()) << zv.error().toStdString();
    const WindowId w = zv.waitForMainWindow();
    ASSERT_NE(w, 0u);
    ASSERT_TRUE(closeWindow(w));
    ASSERT_TRUE(waitUntil([&] { return windowState(w) == WindowState::Minimised; }, 10000))
        << toString(windowState(w));

    // As the menu starts a program: the launch announced to the window manager, its id given.
    const quint32 now = d.x().serverTime();
    const QString id = QStringLiteral("zvtest-%1_TIME%2").arg(::getpid()).arg(now);
    d.x().startupNotification(
        QStringLiteral("new: ID=%1 NAME=zvkb SCREEN=0 TIMESTAMP=%2").arg(id).arg(now).toUtf8());
    QProcessEnvironment env;
    env.insert(QStringLiteral("DESKTOP_STARTUP_ID"), id);
    const std::unique_ptr<Program> second = startAgainAndAnswer(zv, env);
    ASSERT_TRUE(second);
    EXPECT_TRUE(waitUntil([&] { return windowState(w) == WindowState::Normal; }, 5000))
        << toString(windowState(w));
    EXPECT_TRUE(waitUntil([&] { return activeWindow() == w; }, 5000))
        << "mutter did not give it the focus";
    ASSERT_TRUE(second->waitForExit(5000));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_TRUE(zv.running());
}

} // namespace
