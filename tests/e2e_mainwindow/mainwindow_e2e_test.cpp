// The real main window under a desktop with a tray: its member page, the remembered login typed
// into the page, the close box, the tray icon and its menu.
#include "harness/harness.h"
#include "harness/statusnotifierhost.h"
#include "startup/singleinstance.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

using namespace harness;

namespace
{

const QString MemberPage = QStringLiteral("/nc/i88-62.asp");

// The program on the harness's desktop; it ends before it asks the service for anything.
class ProgramEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // An XEmbed tray, and a private session bus where a StatusNotifier panel may come.
        Desktop& d = Desktop::instance({.sessionBus = true});
        ASSERT_TRUE(d.started()) << d.error().toStdString();
    }
};

class MainWindowEndToEnd : public ProgramEndToEnd
{
protected:
    void SetUp() override
    {
        ProgramEndToEnd::SetUp();
        ASSERT_TRUE(service.start()) << service.error().toStdString();
    }

    WindowId startProgram(Program& zv)
    {
        if (!zv.start()) {
            ADD_FAILURE() << zv.error().toStdString();
            return 0;
        }
        return zv.waitForMainWindow();
    }

    DevService service;
};

TEST_F(MainWindowEndToEnd, opensMemberPageAndHidesIntoTheTray)
{
    Program zv;
    const WindowId w = startProgram(zv);
    ASSERT_NE(w, 0u) << describeWindows().toStdString();
    const auto page = service.waitForPath(MemberPage, 20000);
    ASSERT_TRUE(page.has_value());
    EXPECT_TRUE(DevService::lineUrl(0).contains(page->host)) << page->host.toStdString();
    // The engine asks for Chinese pages whatever the system's locale (here: none, "C").
    EXPECT_TRUE(page->header(QStringLiteral("Accept-Language")).startsWith(QLatin1String("zh-CN")))
        << page->header(QStringLiteral("Accept-Language")).toStdString();

    const WindowGeometry g = geometry(w);
    EXPECT_GE(g.outer.width(), 1024);
    EXPECT_GE(g.outer.height(), 712);

    const WindowId icon = waitForTrayIcon(zv.pid(), 15000);
    ASSERT_NE(icon, 0u);

    // The close box hides the window; the program and its icon stay.
    ASSERT_TRUE(closeWindow(w));
    EXPECT_TRUE(waitUntil([&] { return !isVisible(w); }, 10000));
    waitUntil([] { return false; }, 1000);
    EXPECT_TRUE(zv.running());
    EXPECT_TRUE(trayIcons().contains(icon));

    // A left click on the icon brings it back.
    ASSERT_TRUE(clickTrayIcon(icon, 1));
    EXPECT_TRUE(waitUntil([&] { return isVisible(w); }, 10000));
    EXPECT_FALSE(zv.hasConfig()); // nothing was changed, nothing written
}

TEST_F(MainWindowEndToEnd, remembersLoginIntoTheMemberPage)
{
    Program zv({.config = QByteArray("[mima]\r\nmima=1\r\nuser=member01\r\npass=pa55word\r\n")});
    const WindowId w = startProgram(zv);
    ASSERT_NE(w, 0u) << describeWindows().toStdString();
    ASSERT_TRUE(service.waitForPath(QStringLiteral("/nc/main.asp"), 20000).has_value());
    // The login timer fills the form (it says so); then the member presses Return in it.
    ASSERT_TRUE(service
                    .waitForRequest(
                        [](const LogEntry& e) {
                            return e.path == QLatin1String("/nc/fields.asp") &&
                                   e.queryItem(QStringLiteral("UserPassword")) ==
                                       QLatin1String("pa55word");
                        },
                        15000)
                    .has_value());
    const WindowGeometry g = geometry(w);
    // The fourth frame lies right of the two narrow ones and below the top bar.
    ASSERT_TRUE(click(w, g.client.width() - 150, g.client.height() - 80));
    ASSERT_TRUE(key(w, QStringLiteral("Tab")));
    ASSERT_TRUE(key(w, QStringLiteral("Return")));
    const auto login = service.waitForRequest(
        [](const LogEntry& e) {
            return e.method == QLatin1String("POST") && e.path == QLatin1String("/nc/login.asp");
        },
        15000);
    ASSERT_TRUE(login.has_value());
    EXPECT_TRUE(login->body.contains("UserName=member01")) << login->body.constData();
    EXPECT_TRUE(login->body.contains("UserPassword=pa55word")) << login->body.constData();
}

TEST_F(MainWindowEndToEnd, trayMenuQuitEndsEverything)
{
    Program zv;
    const WindowId w = startProgram(zv);
    ASSERT_NE(w, 0u) << describeWindows().toStdString();
    ASSERT_TRUE(service.waitForPath(MemberPage, 20000).has_value());
    // The engine's helper processes run.
    EXPECT_TRUE(waitUntil([&] { return !zv.helpers().isEmpty(); }, 5000));

    const WindowId icon = waitForTrayIcon(zv.pid(), 15000);
    ASSERT_NE(icon, 0u);
    ASSERT_TRUE(clickTrayIcon(icon, 3));
    ASSERT_NE(waitForPopupMenu(zv.pid()), 0u);
    ASSERT_TRUE(chooseMenuItemByKeys(1)); // "关闭退出"
    ASSERT_TRUE(zv.waitForExit(10000));
    EXPECT_FALSE(zv.crashed());
    EXPECT_TRUE(waitUntil([&] { return zv.leftovers().isEmpty(); }, 5000));
    EXPECT_FALSE(trayIcons().contains(icon));
}

TEST_F(MainWindowEndToEnd, terminateEndsLikeTheEndOfTheSession)
{
    // Qt's own options on the command line are not read: the window still shows on the desktop.
    Program zv({.args = {QStringLiteral("-platform"), QStringLiteral("offscreen")}});
    const WindowId w = startProgram(zv);
    ASSERT_NE(w, 0u) << describeWindows().toStdString();
    ASSERT_TRUE(service.waitForPath(MemberPage, 20000).has_value());
    const WindowId icon = waitForTrayIcon(zv.pid(), 15000);
    ASSERT_NE(icon, 0u);
    EXPECT_FALSE(zv.helpers().isEmpty());

    // A logout or shutdown: SIGTERM.
    zv.terminate();
    ASSERT_TRUE(zv.waitForExit(5000));
    EXPECT_FALSE(zv.crashed());
    EXPECT_EQ(zv.exitCode(), 0);
    EXPECT_TRUE(waitUntil([&] { return zv.leftovers().isEmpty(); }, 5000));
    EXPECT_TRUE(waitUntil([&] { return !trayIcons().contains(icon); }, 5000));
}

TEST_F(ProgramEndToEnd, terminateBeforeTheMainWindowStillEndsInOrder)
{
    // A logout in the program's first moment: the signal comes as the program reads its
    // settings, before the main window (and its tray icon and browser engine) is made.
    const QList<WindowId> iconsBefore = trayIcons();
    Program zv({.config = QByteArray("[config]\r\nxianlu=0\r\n")});
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, QFile::encodeName(zv.configPath()).constData(), IN_OPEN),
              0);
    ASSERT_TRUE(zv.start()) << zv.error().toStdString();
    char events[4096];
    const bool opened =
        waitUntil([&] { return ::read(watch, events, sizeof events) > 0; }, 20000, 1);
    ::close(watch);
    ASSERT_TRUE(opened);
    zv.terminate();

    ASSERT_TRUE(zv.waitForExit(20000));
    EXPECT_FALSE(zv.crashed());
    EXPECT_EQ(zv.exitCode(), 0);
    EXPECT_TRUE(waitUntil([&] { return zv.leftovers().isEmpty(); }, 5000));
    EXPECT_TRUE(waitUntil(
        [&] {
            for (WindowId icon : trayIcons()) {
                if (!iconsBefore.contains(icon))
                    return false;
            }
            return true;
        },
        5000));
}

TEST_F(ProgramEndToEnd, terminateWhileTheAlreadyRunningBoxIsOpenEndsWithIt)
{
    Program zv;
    SingleInstance running(QDir(zv.folder()).filePath(QStringLiteral("zvkb.lock")));
    ASSERT_TRUE(running.tryAcquire());
    ASSERT_TRUE(zv.start()) << zv.error().toStdString();
    ASSERT_TRUE(zv.waitForTrace(QStringLiteral("msgbox")));
    zv.terminate();
    ASSERT_TRUE(zv.waitForExit(10000));
    EXPECT_FALSE(zv.crashed());
    EXPECT_EQ(zv.exitCode(), 0);
    EXPECT_FALSE(zv.hasConfig());
}

TEST_F(MainWindowEndToEnd, secondCopyShowsItsMessageAndTouchesNothing)
{
    // Another copy holds the lock beside the settings: this one says so and leaves its folder
    // alone.
    Program zv;
    SingleInstance running(QDir(zv.folder()).filePath(QStringLiteral("zvkb.lock")));
    ASSERT_TRUE(running.tryAcquire());
    ASSERT_TRUE(QDir(zv.folder()).mkpath(QStringLiteral("dat")));
    QFile keep(QDir(zv.folder()).filePath(QStringLiteral("dat/keep.tmp")));
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
    keep.close();
    ASSERT_TRUE(zv.start()) << zv.error().toStdString();
    ASSERT_TRUE(zv.waitForTrace(QStringLiteral("msgbox")));
    EXPECT_EQ(zv.trace(),
              QStringList{QStringLiteral("msgbox\t程序已经运行！在右下角，系统托盘区！")});
    EXPECT_TRUE(findWindows(MainCaption, zv.pid()).isEmpty());
    EXPECT_FALSE(zv.hasConfig());
    EXPECT_TRUE(keep.exists());
}

TEST_F(MainWindowEndToEnd, aSecondStartBringsTheWindowBackFromTheTray)
{
    Program zv;
    const WindowId w = startProgram(zv);
    ASSERT_NE(w, 0u) << describeWindows().toStdString();
    ASSERT_NE(waitForTrayIcon(zv.pid(), 15000), 0u);
    ASSERT_TRUE(closeWindow(w));
    ASSERT_TRUE(waitUntil([&] { return !isMapped(w); }, 10000)) << "not hidden into the tray";
    // Started again as su, sudo -u or cron start it: with a runtime folder of its own. It is the
    // same member's second copy all the same.
    QTemporaryDir runtime;
    QProcessEnvironment env;
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    const std::unique_ptr<Program> second = startAgainAndAnswer(zv, env);
    ASSERT_TRUE(second);
    EXPECT_TRUE(waitUntil([&] { return windowState(w) == WindowState::Normal; }, 5000))
        << toString(windowState(w));
    EXPECT_TRUE(waitUntil([&] { return activeWindow() == w; }, 5000)) << "not given the focus";
    ASSERT_TRUE(second->waitForExit(5000));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_TRUE(zv.running());
    EXPECT_EQ(zv.traceOf(QStringLiteral("msgbox")),
              QStringList{QStringLiteral("程序已经运行！在右下角，系统托盘区！")});
}

// The steps of a start as the program wrote them to its timeline (ZV_TEST_TIMELINE), in order.
QStringList stepsIn(const QString& timeline)
{
    QStringList steps;
    QFile f(timeline);
    if (!f.open(QIODevice::ReadOnly))
        return steps;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (!line.isEmpty())
            steps << QString::fromUtf8(line.left(line.indexOf('\t')));
    }
    return steps;
}

// The start in the order it takes its steps, and a second start that comes as soon as the lock is
// taken. The window manager is asked for its frame before the window shows; the listener for later
// starts is up before the window, so the second start finds this copy, which it tells to show
// itself; what waits on the desktop (the tray on the X server and the bus, the notices' bus) comes
// only once the member page has been asked for and the window is shown.
TEST_F(MainWindowEndToEnd, aStartTakesItsStepsInOrderAndASecondStartMeanwhileFindsIt)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString timeline = dir.filePath(QStringLiteral("timeline.log"));
    QProcessEnvironment env;
    env.insert(QStringLiteral("ZV_TEST_TIMELINE"), timeline);
    Program zv({.extraEnv = env});
    ASSERT_TRUE(zv.start()) << zv.error().toStdString();
    ASSERT_TRUE(
        waitUntil([&] { return stepsIn(timeline).contains(QStringLiteral("lock")); }, 20000))
        << stepsIn(timeline).join(' ').toStdString();
    const std::unique_ptr<Program> second = startAgainAndAnswer(zv);
    ASSERT_TRUE(second);
    ASSERT_TRUE(second->waitForExit(5000));
    EXPECT_EQ(second->exitCode(), 0);
    const WindowId w = zv.waitForMainWindow();
    ASSERT_NE(w, 0u) << describeWindows().toStdString();
    EXPECT_TRUE(waitUntil([&] { return windowState(w) == WindowState::Normal; }, 5000))
        << toString(windowState(w));
    // One box: the second copy's (both write to the trace beside the shared settings).
    EXPECT_EQ(zv.traceOf(QStringLiteral("msgbox")),
              QStringList{QStringLiteral("程序已经运行！在右下角，系统托盘区！")});
    ASSERT_NE(waitForTrayIcon(zv.pid(), 15000), 0u);
    ASSERT_TRUE(zv.waitForTrace(QStringLiteral("loaded"), MemberPage, 20000));
    ASSERT_TRUE(
        waitUntil([&] { return stepsIn(timeline).contains(QStringLiteral("tray shown")); }, 5000))
        << stepsIn(timeline).join(' ').toStdString();

    const QStringList steps = stepsIn(timeline);
    const auto at = [&](const char* step) { return steps.indexOf(QLatin1String(step)); };
    for (const char* step :
         {"main", "lock", "listener", "request", "frame asked", "shown", "tray started",
          "notices started", "tray shown", "second start", "loaded"})
        EXPECT_GE(at(step), 0) << step << " missing from: " << steps.join(' ').toStdString();
    EXPECT_LT(at("lock"), at("listener"));
    EXPECT_LT(at("listener"), at("shown"));
    EXPECT_LT(at("request"), at("frame asked"));
    EXPECT_LT(at("frame asked"), at("shown"));
    EXPECT_LT(at("shown"), at("tray started"));
    EXPECT_LT(at("shown"), at("notices started"));
    EXPECT_LT(at("tray started"), at("tray shown"));
}

// Pixels of the tray icon in the blue of the mark that says notices were missed.
int markPixels(WindowId icon)
{
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("icon.png"));
    if (!screenshot(png, icon))
        return -1;
    const QImage image(png);
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += c.blue() > 200 && c.red() < 90 && c.green() > 90 && c.green() < 180;
        }
    }
    return count;
}

TEST_F(MainWindowEndToEnd, aMissedNoticeMarksTheXEmbedTrayIconUntilTheMemberComesBack)
{
    QStringList lines;
    for (int i = 0; i < 8; ++i)
        lines << QStringLiteral("%1,标题%1,类别%1,/nc/show.asp?id=%1").arg(300 + i);
    ASSERT_TRUE(service.setList("tx", lines.join(QStringLiteral("\r\n"))));
    QProcessEnvironment fastPoll;
    fastPoll.insert(QStringLiteral("ZV_TEST_POLL_MS"), QStringLiteral("1000"));
    Program zv({.extraEnv = fastPoll});
    const WindowId w = startProgram(zv);
    ASSERT_NE(w, 0u);
    const WindowId icon = waitForTrayIcon(zv.pid(), 15000);
    ASSERT_NE(icon, 0u);
    ASSERT_TRUE(service.waitForPath(QStringLiteral("/nc/tx.asp"), 20000).has_value());
    ASSERT_TRUE(service.clearLog());
    ASSERT_TRUE(service.waitForPath(QStringLiteral("/nc/tx.asp"), 10000).has_value());
    EXPECT_EQ(markPixels(icon), 0);

    // The four announced categories change: the fourth popup closes the first, unseen.
    for (int i = 0; i < 4; ++i)
        lines[i] = QStringLiteral("%1,新标题%1,类别%1,/nc/show.asp?id=%1").arg(400 + i);
    ASSERT_TRUE(service.setList("tx", lines.join(QStringLiteral("\r\n"))));
    ASSERT_TRUE(waitUntil([&] { return zv.traceOf(QStringLiteral("popup")).size() == 4; }, 15000));
    EXPECT_TRUE(waitUntil([&] { return markPixels(icon) > 4; }, 5000)) << markPixels(icon);

    // Back through the tray: the mark goes.
    ASSERT_TRUE(closeWindow(w));
    ASSERT_TRUE(waitUntil([&] { return !isVisible(w); }, 10000));
    ASSERT_TRUE(clickTrayIcon(icon, 1));
    EXPECT_TRUE(waitUntil([&] { return isVisible(w); }, 10000));
    EXPECT_TRUE(waitUntil([&] { return markPixels(icon) == 0; }, 5000)) << markPixels(icon);
}

// The tray host goes away (a panel that crashed) and comes back: the icon goes with it and is
// docked again, once; without it the close box minimises. A StatusNotifier panel that comes
// beside the XEmbed tray (as on Xfce or KDE) takes the icon over, never both at once, and gives
// it back when it goes.
TEST_F(MainWindowEndToEnd, theXEmbedIconFollowsATrayThatGoesAndComesBack)
{
    Desktop& d = Desktop::instance();
    Program zv;
    const WindowId w = startProgram(zv);
    ASSERT_NE(w, 0u) << describeWindows().toStdString();
    ASSERT_NE(waitForTrayIcon(zv.pid(), 15000), 0u);
    const auto traySays = [&](const char* what) {
        return zv.lastTrace(QStringLiteral("tray")).startsWith(QLatin1String(what));
    };
    ASSERT_TRUE(waitUntil([&] { return traySays("shown"); }, 5000));

    d.stopTray();
    ASSERT_TRUE(waitUntil([&] { return traySays("gone"); }, 5000));
    ASSERT_TRUE(closeWindow(w));
    EXPECT_TRUE(waitUntil([&] { return windowState(w) == WindowState::Minimised; }, 5000))
        << toString(windowState(w));
    // Nothing (minimised windows are unmapped under openbox) of ours is left on the screen where
    // the icon was.
    EXPECT_TRUE(waitUntil([&] { return windowsOf(zv.pid()).isEmpty(); }, 5000))
        << describeWindows().toStdString();

    ASSERT_TRUE(d.startTray());
    WindowId icon = waitForTrayIcon(zv.pid(), 10000);
    ASSERT_NE(icon, 0u);
    ASSERT_TRUE(waitUntil([&] { return traySays("shown"); }, 5000));
    const auto ourIcons = [&] {
        int ours = 0;
        for (WindowId i : trayIcons())
            ours += windowPid(i) == zv.pid();
        return ours;
    };
    EXPECT_EQ(ourIcons(), 1);

    auto panel = std::make_unique<StatusNotifierHost>(d.sessionBus());
    ASSERT_TRUE(panel->start());
    EXPECT_FALSE(panel->waitForItem(10000).isEmpty());
    EXPECT_TRUE(waitUntil([&] { return ourIcons() == 0; }, 5000)) << "two icons at once";
    panel.reset();
    icon = waitForTrayIcon(zv.pid(), 10000);
    ASSERT_NE(icon, 0u);
    EXPECT_EQ(ourIcons(), 1);
    ASSERT_TRUE(clickTrayIcon(icon, 1));
    EXPECT_TRUE(waitUntil([&] { return windowState(w) == WindowState::Normal; }, 10000))
        << toString(windowState(w));
    ASSERT_TRUE(closeWindow(w));
    EXPECT_TRUE(waitUntil([&] { return windowState(w) == WindowState::Hidden; }, 10000))
        << toString(windowState(w));
}

TEST_F(MainWindowEndToEnd, storedLineThreeOpensItsPage)
{
    Program zv({.config = QByteArray("[config]\r\nxianlu=3\r\n")});
    const WindowId w = startProgram(zv);
    ASSERT_NE(w, 0u);
    const auto page = service.waitForRequest(
        [](const LogEntry& e) {
            return e.path == MemberPage && DevService::lineUrl(3).endsWith(e.host.section(':', -1));
        },
        20000);
    EXPECT_TRUE(page.has_value());
}

} // namespace
