// The Debian package's program as members of the machine run it: unpacked from the package made
// by the test "package", or, with ZV_PACKAGE_INSTALLED=1, as apt installed it on this system (a
// fresh system of the release, ./run test --on); its folder (/usr/lib/zvkb) is not theirs to write.
// Each member's preference goes to their own config.ini and is read back at the next start,
// nothing is written beside the program, two members' copies run side by side, and the browser
// engine's sandbox stays on. As root the members are unprivileged users (setpriv); as an
// ordinary user the test is the one member, with an unpacked tree made read-only. No service is
// needed: the main window, its boxes and the engine's page processes are there without one.
#include "harness/harness.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace harness;

namespace
{

const QPoint ShengyinAt(662, 14); // the sound switch, client coordinates of its box
const bool AsRoot = ::geteuid() == 0;
const bool Installed = qEnvironmentVariableIntValue("ZV_PACKAGE_INSTALLED") == 1;

bool run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Every file below dir with its size and time: what "nothing was written there" compares.
QStringList snapshot(const QString& dir)
{
    QStringList out;
    QDirIterator it(dir, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo f(it.next());
        out << QStringLiteral("%1 %2 %3")
                   .arg(f.filePath())
                   .arg(f.size())
                   .arg(f.lastModified().toMSecsSinceEpoch());
    }
    out.sort();
    return out;
}

// One member of the machine: a home of their own and a folder with a launcher, which the
// harness starts as "the program" and which starts the package's /usr/bin/zvkb as the member.
class Member
{
public:
    Member(const QString& base, const QString& name, uid_t uid, const QString& usrBin)
        : home_(base + QLatin1Char('/') + name), uid_(uid)
    {
        for (const char* sub : {"", "/run", "/launcher"})
            QDir().mkpath(home_ + QLatin1String(sub));
        // No session bus: without an address, D-Bus would start one for the member that
        // outlives the test.
        const QString env =
            QStringLiteral(
                "HOME='%1' XDG_CONFIG_HOME='%1/.config' XDG_CACHE_HOME='%1/.cache' "
                "XDG_RUNTIME_DIR='%1/run' DBUS_SESSION_BUS_ADDRESS='unix:path=%1/no-bus'")
                .arg(home_);
        // The engine's sandbox is never turned off for a member.
        const QString drop =
            AsRoot ? QStringLiteral("setpriv --reuid=%1 --regid=%1 --clear-groups ").arg(uid)
                   : QString();
        QFile launcher(home_ + QStringLiteral("/launcher/zvkb"));
        if (launcher.open(QIODevice::WriteOnly))
            launcher.write(QStringLiteral("#!/bin/sh\nexec %1env -u QTWEBENGINE_DISABLE_SANDBOX %2 "
                                          "'%3/zvkb'\n")
                               .arg(drop, env, usrBin)
                               .toUtf8());
        launcher.close();
        QFile::setPermissions(launcher.fileName(), QFile::ReadOwner | QFile::ExeOwner);
        for (const char* sub : {"", "/run"}) {
            const QByteArray path = QFile::encodeName(home_ + QLatin1String(sub));
            if (::chown(path.constData(), uid, uid) != 0 || ::chmod(path.constData(), 0700) != 0)
                ADD_FAILURE() << "cannot hand " << path.constData() << " to uid " << uid;
        }
    }

    QString launcherFolder() const { return home_ + QStringLiteral("/launcher"); }
    QString configDir() const { return home_ + QStringLiteral("/.config/zvkb"); }
    QString config() const
    {
        QFile f(configDir() + QStringLiteral("/config.ini"));
        return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QString();
    }
    uid_t uid() const { return uid_; }

private:
    QString home_;
    uid_t uid_;
};

class PackageEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(base_.isValid() && tree_.isValid());
        if (Installed) {
            root_ = QStringLiteral("/");
            ASSERT_TRUE(QFile::exists(QStringLiteral("/usr/lib/zvkb/zvkb")))
                << "the package is not installed";
        } else {
            ASSERT_TRUE(QFile::exists(QStringLiteral(ZV_DEB))) << "run the test \"package\" first";
            ASSERT_TRUE(run(QStringLiteral("dpkg-deb"),
                            {QStringLiteral("-x"), QStringLiteral(ZV_DEB), tree_.path()}));
            root_ = tree_.path();
        }
        // Members pass through to their homes and the tree; the program's folder stays shut.
        ::chmod(QFile::encodeName(base_.path()).constData(), 0711);
        ::chmod(QFile::encodeName(tree_.path()).constData(), 0755);
        programDir_ = QDir(root_).filePath(QStringLiteral("usr/lib/zvkb"));
        // What "nothing is written into the package's files" looks at: the whole unpacked tree,
        // or the installed program's folder.
        untouched_ = snapshot(Installed ? programDir_ : root_);
        if (!AsRoot && !Installed) {
            ASSERT_TRUE(run(QStringLiteral("chmod"),
                            {QStringLiteral("-R"), QStringLiteral("a-w"), programDir_}));
        }
        Desktop& d = Desktop::instance();
        ASSERT_TRUE(d.started()) << d.error().toStdString();
    }
    void TearDown() override
    {
        if (!AsRoot && !Installed)
            run(QStringLiteral("chmod"),
                {QStringLiteral("-R"), QStringLiteral("u+w"), programDir_});
    }

    std::unique_ptr<Member> member(const char* name, uid_t uid)
    {
        return std::make_unique<Member>(base_.path(), QLatin1String(name), uid,
                                        QDir(root_).filePath(QStringLiteral("usr/bin")));
    }

    // Starts a member's copy and waits for its main window once the window's page (or the error
    // page when no service answers) has loaded, as the traced build says in the member's
    // trace.log. Only then does the window take clicks, and it has its final X window: the engine
    // may have the first one replaced.
    static WindowId start(Program& zv, const Member& m)
    {
        if (!zv.start()) {
            ADD_FAILURE() << zv.error().toStdString();
            return 0;
        }
        QFile trace(m.configDir() + QStringLiteral("/trace.log"));
        const bool loaded = waitUntil(
            [&] {
                trace.close();
                if (!trace.open(QIODevice::ReadOnly))
                    return false;
                const QByteArray lines = trace.readAll();
                return lines.startsWith("loaded\t") || lines.contains("\nloaded\t");
            },
            60000, 100);
        const WindowId w = loaded ? zv.waitForMainWindow(30000) : 0;
        if (!w)
            ADD_FAILURE() << zv.output().toStdString() << describeWindows().toStdString();
        return w;
    }

    // Clicks the sound switch and waits for the member's config.ini to hold `value`.
    static bool toggleSound(Member& m, WindowId w, const char* value)
    {
        waitUntil([] { return false; }, 450); // two clicks on one spot are no double click
        if (!click(w, ShengyinAt.x(), ShengyinAt.y()))
            return false;
        const QString line =
            QStringLiteral("shengyin=") + QLatin1String(value) + QStringLiteral("\r\n");
        return waitUntil([&] { return m.config().contains(line); }, 10000);
    }

    // The engine's processes of a copy run sandboxed: none was told --no-sandbox, and the page's
    // renderer runs under its seccomp filter.
    static void expectSandboxed(Program& zv)
    {
        bool filtered = false;
        waitUntil(
            [&] {
                for (qint64 pid : zv.helpers()) {
                    QFile cmd(QStringLiteral("/proc/%1/cmdline").arg(pid));
                    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
                    if (!cmd.open(QIODevice::ReadOnly) || !status.open(QIODevice::ReadOnly))
                        continue;
                    const QByteArray args = cmd.readAll();
                    EXPECT_FALSE(args.contains("--no-sandbox")) << args.constData();
                    // Renderers are forked from the zygote and keep its command line.
                    if (status.readAll().contains("\nSeccomp:\t2\n"))
                        filtered = true;
                }
                return filtered;
            },
            30000, 200);
        EXPECT_TRUE(filtered) << "no renderer of pid " << zv.pid() << " runs under seccomp\n"
                              << zv.output().toStdString();
    }

    QTemporaryDir base_;
    QTemporaryDir tree_;
    QString root_; // the package's files below it
    QString programDir_;
    QStringList untouched_;
};

TEST_F(PackageEndToEnd, membersKeepTheirOwnSettingsBesideAShutProgramFolder)
{
    auto first = member("first", AsRoot ? 65534 : ::geteuid());
    {
        Program zv({.folder = first->launcherFolder()});
        const WindowId w = start(zv, *first);
        ASSERT_NE(w, 0u);
        expectSandboxed(zv);
        ASSERT_TRUE(toggleSound(*first, w, "0"))
            << first->config().toStdString() << zv.output().toStdString();
        struct stat st = {};
        const QByteArray file =
            QFile::encodeName(first->configDir() + QStringLiteral("/config.ini"));
        ASSERT_EQ(::stat(file.constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        EXPECT_EQ(st.st_uid, first->uid());

        if (!AsRoot) {
            std::printf("[ note     ] not root: a second member cannot be tried\n");
        } else {
            // A second member of the machine starts their own copy beside the first.
            auto second = member("second", 65533);
            Program other({.folder = second->launcherFolder()});
            ASSERT_NE(start(other, *second), 0u);
            EXPECT_TRUE(zv.running());
            EXPECT_TRUE(other.running());
            EXPECT_EQ(second->config(), QString()); // nothing changed, nothing written
            other.terminate();
            EXPECT_TRUE(other.waitForExit(20000));
        }
        zv.terminate();
        ASSERT_TRUE(zv.waitForExit(20000));
    }

    // The next start reads the member's file: the box is clear, so a click ticks it.
    Program again({.folder = first->launcherFolder()});
    const WindowId w = start(again, *first);
    ASSERT_NE(w, 0u);
    EXPECT_TRUE(toggleSound(*first, w, "1")) << first->config().toStdString();
    again.terminate();
    EXPECT_TRUE(again.waitForExit(20000));

    EXPECT_EQ(snapshot(Installed ? programDir_ : root_), untouched_)
        << "something was written into the package's files";
}

TEST_F(PackageEndToEnd, aReadOnlySettingsFolderStillRunsOneCopy)
{
    // The member made the settings folder read-only: no lock can be made beside config.ini. The
    // test build's trace.log is there beforehand, one file the program may still append to.
    auto m = member("readonly", AsRoot ? 65534 : ::geteuid());
    ASSERT_TRUE(QDir().mkpath(m->configDir()));
    QFile trace(m->configDir() + QStringLiteral("/trace.log"));
    ASSERT_TRUE(trace.open(QIODevice::WriteOnly));
    trace.close();
    for (const QString& path :
         {m->configDir() + QStringLiteral("/.."), m->configDir(), trace.fileName()})
        ASSERT_EQ(::chown(QFile::encodeName(path).constData(), m->uid(), m->uid()), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(m->configDir()).constData(), 0555), 0);

    Program zv({.folder = m->launcherFolder()});
    const WindowId w = start(zv, *m);
    ASSERT_NE(w, 0u);
    ASSERT_TRUE(closeWindow(w));
    ASSERT_TRUE(waitUntil([&] { return windowState(w) != WindowState::Normal; }, 10000));
    // A second start: the box, and the running copy's window back; one copy runs.
    const std::unique_ptr<Program> second = startAgainAndAnswer(zv);
    ASSERT_TRUE(second);
    ASSERT_TRUE(second->waitForExit(20000));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_TRUE(waitUntil([&] { return windowState(w) == WindowState::Normal; }, 10000))
        << toString(windowState(w));
    EXPECT_TRUE(zv.running());
    zv.terminate();
    EXPECT_TRUE(zv.waitForExit(20000));
}

} // namespace
