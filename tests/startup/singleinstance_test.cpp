// One copy per member and settings folder: a second process is refused, whatever runtime
// folder its environment names, and a killed holder does not block.
#include "startup/settings.h"
#include "startup/singleinstance.h"
#include "support/programfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

namespace
{

constexpr const char* kChildLock = "ZV_TEST_LOCK_CHILD";
constexpr const char* kChildMode = "ZV_TEST_LOCK_MODE";
constexpr const char* kChildProgramDir = "ZV_TEST_LOCK_PROGRAM_DIR";

// Runs inside the child copy of this test program only (see startChild). The lock is the one at
// the given path, or the one a program in the given folder takes.
TEST(SingleInstanceChild, actsOnRequest)
{
    const QString path = qEnvironmentVariable(kChildLock);
    const QString programDir = qEnvironmentVariable(kChildProgramDir);
    if (path.isEmpty() && programDir.isEmpty())
        GTEST_SKIP() << "only runs as a child of the single-instance tests";
    if (!programDir.isEmpty())
        setAppDirForTesting(programDir);
    SingleInstance lock(path);
    const bool got = lock.tryAcquire();
    if (qEnvironmentVariable(kChildMode) == QLatin1String("hold") && got) {
        fprintf(stdout, "\nLOCKED\n");
        fflush(stdout);
        for (;;)
            QThread::sleep(1); // until killed
    }
    fprintf(stdout, "\n%s\n", got ? "LOCKED" : "BUSY");
    fflush(stdout);
    _exit(got ? 0 : 3);
}

class SingleInstanceProcesses : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        lockPath_ = dir_.filePath(QStringLiteral("test.lock"));
    }

    void startChild(QProcess& child, const char* mode,
                    const QProcessEnvironment& extra = QProcessEnvironment())
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(extra);
        if (!env.contains(QLatin1String(kChildProgramDir)))
            env.insert(QLatin1String(kChildLock), lockPath_);
        env.insert(QLatin1String(kChildMode), QLatin1String(mode));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::SeparateChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=SingleInstanceChild.actsOnRequest")});
        ASSERT_TRUE(child.waitForStarted(10000));
    }

    // Waits for the child's verdict line.
    static QByteArray verdict(QProcess& child)
    {
        QByteArray out;
        for (int i = 0; i < 200 && !out.contains("LOCKED\n") && !out.contains("BUSY\n"); ++i) {
            child.waitForReadyRead(100);
            out += child.readAllStandardOutput();
        }
        if (out.contains("LOCKED\n"))
            return "LOCKED";
        if (out.contains("BUSY\n"))
            return "BUSY";
        return out;
    }

    QTemporaryDir dir_;
    QString lockPath_;
};

TEST_F(SingleInstanceProcesses, secondProcessIsRefusedWhileFirstRuns)
{
    SingleInstance first(lockPath_);
    ASSERT_TRUE(first.tryAcquire());
    EXPECT_TRUE(first.tryAcquire()); // asking again keeps it

    QProcess child;
    startChild(child, "try");
    EXPECT_EQ(verdict(child), QByteArray("BUSY"));
    ASSERT_TRUE(child.waitForFinished(10000));
    EXPECT_EQ(child.exitCode(), 3);

    first.release();
    QProcess again;
    startChild(again, "try");
    EXPECT_EQ(verdict(again), QByteArray("LOCKED"));
    again.waitForFinished(10000);
}

TEST_F(SingleInstanceProcesses, lockOfKilledHolderDoesNotBlock)
{
    QProcess holder;
    startChild(holder, "hold");
    ASSERT_EQ(verdict(holder), QByteArray("LOCKED"));

    SingleInstance second(lockPath_);
    EXPECT_FALSE(second.tryAcquire());

    holder.kill(); // SIGKILL: no chance to remove the lock file
    ASSERT_TRUE(holder.waitForFinished(10000));
    EXPECT_TRUE(QFile::exists(lockPath_));
    EXPECT_TRUE(second.tryAcquire());
}

TEST_F(SingleInstanceProcesses, runningHolderKeepsLockPastTheDefaultStaleAge)
{
    SingleInstance first(lockPath_);
    ASSERT_TRUE(first.tryAcquire());
    // Age the lock file by an hour: a live holder must still win.
    const QDateTime old = QDateTime::currentDateTime().addSecs(-3600);
    QFile f(lockPath_);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(old, QFileDevice::FileModificationTime));
    f.close();

    QProcess child;
    startChild(child, "try");
    EXPECT_EQ(verdict(child), QByteArray("BUSY"));
    child.waitForFinished(10000);
}

TEST_F(SingleInstanceProcesses, emptyLockFileLeftByACrashDoesNotBlock)
{
    QFile f(lockPath_);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    SingleInstance lock(lockPath_);
    EXPECT_TRUE(lock.tryAcquire());
}

TEST_F(SingleInstanceProcesses, aCopyWithAnotherRuntimeFolderIsStillTheSecondCopy)
{
    // su, sudo -u, ssh or cron give a member's second copy another XDG_RUNTIME_DIR, or none: it
    // reads and writes the same config.ini, so it must find the same lock.
    ProgramFolder folder;
    SingleInstance first;
    ASSERT_TRUE(first.tryAcquire());
    EXPECT_EQ(first.lockPath(), folder.filePath(QStringLiteral("zvkb.lock")));
    QTemporaryDir otherRuntime;
    for (const QString& runtime : {otherRuntime.path(), QString()}) {
        QProcessEnvironment env;
        env.insert(QLatin1String(kChildProgramDir), folder.path());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        QProcess child;
        startChild(child, "try", env);
        EXPECT_EQ(verdict(child), QByteArray("BUSY")) << runtime.toStdString();
        child.waitForFinished(10000);
    }
}

TEST_F(SingleInstanceProcesses, aLockNamingAnotherMachineIsStaleOnlyWithoutAHolder)
{
    // As a copy on another machine (host "h") that shares the folder, an NFS or sshfs home,
    // leaves its lock file.
    const auto lockOfAnotherMachine = [&] {
        QFile f(lockPath_);
        return f.open(QIODevice::WriteOnly) &&
               f.write("99999\nzvkb\nh\n00000000000000000000000000000000\nb\n") > 0;
    };
    // That copy crashed: nobody holds the file, so it blocks nothing.
    ASSERT_TRUE(lockOfAnotherMachine());
    {
        SingleInstance lock(lockPath_);
        EXPECT_TRUE(lock.tryAcquire());
        EXPECT_TRUE(lock.holdsLock());
    }
    // That copy runs, holding a file lock on it: this start is the second copy.
    ASSERT_TRUE(lockOfAnotherMachine());
    const int holder = ::open(QFile::encodeName(lockPath_).constData(), O_RDWR | O_CLOEXEC);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    SingleInstance second(lockPath_);
    EXPECT_FALSE(second.tryAcquire());
    ::close(holder);
}

TEST_F(SingleInstanceProcesses, aLockThatCannotBeMadeIsNoOtherCopy)
{
    // A settings folder the member may not write into keeps nobody from starting; whether
    // another copy runs is then for the second-start channel to say (OneCopy).
    SingleInstance lock(dir_.filePath(QStringLiteral("missing/folder/zvkb.lock")));
    EXPECT_TRUE(lock.tryAcquire());
    EXPECT_FALSE(lock.holdsLock());
}

} // namespace
