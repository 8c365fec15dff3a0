// A window manager that refuses the main window's smallest size (a tiling one, or a screen
// smaller than 1024 × 712): the program asks for its size once, not again on every answer, lays
// its controls out for the size it has, and asks again after the window was untiled and tiled.
#include "e2e_windowmanager/mainwindowlayout.h"
#include "harness/fixedsizewm.h"
#include "harness/harness.h"

#include <QFile>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace harness;

namespace
{

// User and system CPU seconds of a process so far.
double cpuSeconds(qint64 pid)
{
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = f.readAll();
    // utime and stime are the 14th and 15th fields; the 3rd comes right after the name.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    return (fields.value(11).toDouble() + fields.value(12).toDouble()) /
           static_cast<double>(sysconf(_SC_CLK_TCK));
}

TEST(RefusingWindowManager, theMainWindowAsksForItsSmallestSizeOnceAndFitsTheSizeItHas)
{
    Desktop& d =
        Desktop::instance({.tray = false, .sound = false, .windowManager = WindowManager::None});
    ASSERT_TRUE(d.started()) << d.error().toStdString();
    setDesktop(&d);
    FixedSizeWindowManager wm(d.display(), QSize(1000, 650));
    ASSERT_TRUE(wm.start());
    DevService service;
    ASSERT_TRUE(service.start()) << service.error().toStdString();
    Program zv;
    ASSERT_TRUE(zv.start()) << zv.error().toStdString();
    const WindowId w = zv.waitForMainWindow();
    ASSERT_NE(w, 0u) << describeWindows().toStdString();
    ASSERT_TRUE(service.waitForPath(QStringLiteral("/nc/i88-62.asp"), 20000).has_value());
    waitUntil([] { return false; }, 2000); // start-up settles

    const int atStart = wm.refusedResizes(w);
    const double cpuBefore = cpuSeconds(zv.pid());
    waitUntil([] { return false; }, 4000);
    const int later = wm.refusedResizes(w) - atStart;
    const double cpu = cpuSeconds(zv.pid()) - cpuBefore;
    std::printf("[ wm       ] %d refused size requests at start-up, %d in the next 4 s; "
                "%.2f s CPU in those 4 s\n",
                atStart, later, cpu);
    EXPECT_GE(atStart, 1) << "the program never asked for its smallest size";
    EXPECT_LE(atStart, 3);
    EXPECT_EQ(later, 0) << "the program keeps asking for a size it is refused";
    EXPECT_LT(cpu, 1.0);
    EXPECT_EQ(geometry(w).outer.size(), QSize(1000, 650));
    EXPECT_TRUE(zv.running());
    expectControlsInside(zv, w);

    // Untiled, the window floats at a legal size; tiled again, the program asks once more.
    wm.setTiled(false, QSize(1100, 760));
    ASSERT_TRUE(waitUntil([&] { return geometry(w).client.size() == QSize(1100, 760); }, 5000));
    waitUntil([] { return false; }, 1000);
    expectControlsInside(zv, w);
    const int beforeRetiling = wm.refusedResizes(w);
    wm.setTiled(true);
    ASSERT_TRUE(waitUntil([&] { return geometry(w).client.size() == QSize(1000, 650); }, 5000));
    waitUntil([] { return false; }, 3000);
    const int retiled = wm.refusedResizes(w) - beforeRetiling;
    std::printf("[ wm       ] %d refused size requests after tiling again\n", retiled);
    EXPECT_GE(retiled, 1) << "the program no longer asks for its smallest size";
    EXPECT_LE(retiled, 3);
    EXPECT_EQ(geometry(w).client.size(), QSize(1000, 650));
    expectControlsInside(zv, w);
    setDesktop(nullptr);
}

} // namespace
