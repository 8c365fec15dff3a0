// The headless desktop: X server, window manager, tray host and sound sink come up, and
// nothing it started outlives the test program, whether that ends well or is killed.
#include "childprocess.h"
#include "harness/harness.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>

using namespace harness;

TEST(Desktop, comesUpWithTrayWindowManagerAndNullSink)
{
    Desktop& d = Desktop::instance();
    ASSERT_TRUE(d.started()) << d.error().toStdString();
    EXPECT_TRUE(d.display().startsWith(QLatin1Char(':')));
    EXPECT_TRUE(d.hasTray());
    EXPECT_EQ(d.processIds().size(), 4);

    const CommandResult info = d.run(QStringLiteral("pactl"), {QStringLiteral("info")});
    ASSERT_TRUE(info.ok()) << info.err.toStdString();
    EXPECT_TRUE(info.out.contains("Default Sink: zvnull")) << info.out.toStdString();

    const QProcessEnvironment env = d.environment();
    EXPECT_EQ(env.value(QStringLiteral("DISPLAY")), d.display());
    EXPECT_EQ(env.value(QStringLiteral("PULSE_SERVER")), d.pulseServer());
    EXPECT_EQ(env.value(QStringLiteral("XDG_RUNTIME_DIR")), d.runtimeDir());
    EXPECT_FALSE(env.contains(QStringLiteral("QT_QPA_PLATFORM")));
    EXPECT_FALSE(env.contains(QStringLiteral("WAYLAND_DISPLAY")));
}

TEST(Desktop, screenshotOfWholeScreenIsAPng)
{
    Desktop& d = Desktop::instance();
    ASSERT_TRUE(d.started()) << d.error().toStdString();
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("screen.png"));
    ASSERT_TRUE(screenshot(png));
    QFile f(png);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(8) == QByteArray("\x89PNG\r\n\x1a\n", 8));
}

// Child side: bring up a private desktop with the options named by the role, report its
// processes, then end normally or wait to be killed.
TEST(ChildDesktop, reportsItsProcesses)
{
    const QString role = childRole();
    if (!role.startsWith(QLatin1String("desktop")))
        GTEST_SKIP() << "runs only as a child of the desktop tests";
    DesktopOptions options;
    options.tray = !role.contains(QLatin1String("notray"));
    options.sound = !role.contains(QLatin1String("nosound"));
    Desktop d(options);
    ASSERT_TRUE(d.start()) << d.error().toStdString();
    QStringList pids;
    for (qint64 p : d.processIds())
        pids.append(QString::number(p));
    pids.append(d.hasTray() ? QStringLiteral("tray") : QStringLiteral("notray"));
    pids.append(d.hasSound() ? QStringLiteral("sound") : QStringLiteral("nosound"));
    pids.append(QFileInfo(d.runtimeDir()).path());
    QFile out(qEnvironmentVariable("ZV_HARNESS_CHILD_OUT"));
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(pids.join(QLatin1Char(' ')).toLatin1());
    out.close();
    if (role.contains(QLatin1String("hang")))
        QThread::sleep(120);
}

struct ChildCase {
    const char* role;
    bool killed; // SIGKILL the child instead of letting it end
    int processes;
    bool tray;
    bool sound;
};

class DesktopLifetime : public ::testing::TestWithParam<ChildCase>
{
};

TEST_P(DesktopLifetime, leavesNoProcessBehind)
{
    const ChildCase c = GetParam();
    QTemporaryDir dir;
    const QString outPath = dir.filePath(QStringLiteral("pids"));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZV_HARNESS_CHILD_OUT"), outPath);
    auto child = startChild(QStringLiteral("ChildDesktop.*"), QString::fromLatin1(c.role), env,
                            dir.filePath(QStringLiteral("child.log")));
    ASSERT_TRUE(child->running()) << child->error().toStdString();

    QStringList report;
    ASSERT_TRUE(waitUntil(
        [&] {
            QFile f(outPath);
            if (f.open(QIODevice::ReadOnly))
                report = QString::fromLatin1(f.readAll()).split(QLatin1Char(' '));
            return !report.isEmpty() || !child->running();
        },
        30000));
    ASSERT_GE(report.size(), 3) << child->logTail(40).toStdString();
    // A killed child cannot remove its desktop's folder; the parent tidies up.
    const QString childFolder = report.takeLast();
    const auto tidy = qScopeGuard([&] {
        if (childFolder.contains(QLatin1String("zv-desktop-")))
            QDir(childFolder).removeRecursively();
    });
    EXPECT_EQ(report.contains(QStringLiteral("tray")), c.tray);
    EXPECT_EQ(report.contains(QStringLiteral("sound")), c.sound);
    const QStringList pidTexts = report.mid(0, report.size() - 2);
    EXPECT_EQ(pidTexts.size(), c.processes);

    if (c.killed) {
        // Only the child dies: its desktop must follow without any clean-up code running.
        ::kill(static_cast<pid_t>(child->pid()), SIGKILL);
    }
    ASSERT_TRUE(child->waitForExit(30000));
    if (!c.killed) {
        EXPECT_EQ(child->exitCode(), 0) << child->logTail(40).toStdString();
    }
    for (const QString& p : pidTexts) {
        const qint64 pid = p.toLongLong();
        EXPECT_TRUE(waitUntil([&] { return !processAlive(pid); }, 5000))
            << "process " << pid << " (" << processName(pid).toStdString() << ") survived";
    }
}

INSTANTIATE_TEST_SUITE_P(Children, DesktopLifetime,
                         ::testing::Values(ChildCase{"desktop", false, 4, true, true},
                                           ChildCase{"desktop-hang", true, 4, true, true},
                                           ChildCase{"desktop-notray-nosound", false, 2, false,
                                                     false},
                                           ChildCase{"desktop-notray-hang", true, 3, false, true}),
                         [](const auto& info) {
                             QString name = QString::fromLatin1(info.param.role);
                             name.replace(QLatin1Char('-'), QLatin1Char('_'));
                             return name.toStdString();
                         });
