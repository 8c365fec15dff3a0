// The real program in a temporary folder: it starts with the harness's desktop, shows its main
// window, and leaves no process behind once stopped.
#include "harness/harness.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace harness;

namespace
{
const QString kCaption = QStringLiteral("Zelvar快报 ZV6.2");
}

TEST(ProgramFolder, holdsTheProgramItsSoundsAndTheGivenConfig)
{
    const QByteArray config("[config]\r\nxianlu=1\r\n");
    Program zv({.config = config});
    ASSERT_TRUE(zv.error().isEmpty()) << zv.error().toStdString();
    const QDir folder(zv.folder());
    EXPECT_TRUE(QFileInfo(zv.exePath()).isExecutable());
    for (const char* name : {"ts.wav", "ts1.wav", "ts2.wav"})
        EXPECT_TRUE(folder.exists(QLatin1String(name))) << name;
    EXPECT_TRUE(QFileInfo(folder.filePath(QStringLiteral("dat"))).isDir());
    EXPECT_FALSE(folder.exists(QStringLiteral("trace.log")));
    EXPECT_TRUE(zv.hasConfig());
    EXPECT_EQ(zv.configBytes(), config);
    EXPECT_EQ(zv.pid(), 0);
    EXPECT_FALSE(zv.running());
}

TEST(ProgramFolder, withoutConfigHasNoFile)
{
    Program zv;
    EXPECT_FALSE(zv.hasConfig());
    EXPECT_TRUE(zv.configBytes().isEmpty());
    EXPECT_TRUE(zv.trace().isEmpty());
}

TEST(ProgramFolder, foldersOfTwoProgramsAreSeparate)
{
    Program a, b;
    EXPECT_NE(a.folder(), b.folder());
    // A second program may share the folder of the first, e.g. for a second instance.
    Program c({.folder = a.folder()});
    EXPECT_EQ(c.folder(), a.folder());
}

TEST(Program, showsItsMainWindowAndLeavesNothingBehind)
{
    Desktop& d = Desktop::instance();
    ASSERT_TRUE(d.started()) << d.error().toStdString();
    DevService service;
    ASSERT_TRUE(service.start()) << service.error().toStdString();

    Program zv;
    ASSERT_TRUE(zv.start()) << zv.error().toStdString();
    const WindowId main = waitForWindow(kCaption, 30000, zv.pid());
    ASSERT_NE(main, 0u) << zv.output().toStdString();
    EXPECT_EQ(caption(main), kCaption);
    EXPECT_EQ(windowPid(main), zv.pid());
    EXPECT_TRUE(isVisible(main));
    const WindowGeometry g = geometry(main);
    EXPECT_FALSE(g.client.isEmpty());
    EXPECT_TRUE(g.outer.contains(g.client)) << "frame does not surround the window";

    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("main.png"));
    ASSERT_TRUE(screenshot(png, main));
    const QImage shot(png);
    EXPECT_EQ(shot.size(), g.outer.size());

    EXPECT_NE(waitForTrayIcon(zv.pid(), 10000), 0u);
    // The browser engine's helper processes are the program's children.
    QList<qint64> seen;
    EXPECT_TRUE(waitUntil(
        [&] {
            seen = zv.helpers();
            return !seen.isEmpty();
        },
        20000));
    zv.kill();
    EXPECT_FALSE(zv.running());
    EXPECT_TRUE(zv.leftovers().isEmpty());
    for (qint64 p : seen)
        EXPECT_FALSE(processAlive(p)) << "helper " << p << " survived";
    EXPECT_TRUE(waitForNoWindow(kCaption, 5000));
}

TEST(Program, endsOnTerminateWithinBoundedTime)
{
    Program zv;
    ASSERT_TRUE(zv.start()) << zv.error().toStdString();
    ASSERT_NE(waitForWindow(kCaption, 30000, zv.pid()), 0u);
    zv.terminate();
    EXPECT_TRUE(zv.waitForExit(15000));
    EXPECT_TRUE(waitUntil([&] { return zv.leftovers().isEmpty(); }, 10000));
}
