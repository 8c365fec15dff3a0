// The benchmark's readings of /proc and its summary of repeated figures.
#include "procfigures.h"

#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>
#include <unistd.h>

using namespace bench;

TEST(BenchProcFigures, statLineWithBracketsAndBlanksInTheNameStillGivesUserPlusSystemTicks)
{
    // pid (comm) state ppid pgrp session tty tpgid flags minflt cminflt majflt cmajflt utime stime
    const QByteArray stat = "4242 (Web (Content) x) S 1 4242 4242 0 -1 4194560 10 0 0 0 "
                            "123 45 0 0 20 0 7 0 100 0 0\n";
    EXPECT_EQ(cpuTicksFromStat(stat), 168);
    EXPECT_EQ(cpuTicksFromStat("4242 (cut) S 1 2 3"), -1);
    EXPECT_EQ(cpuTicksFromStat("garbage"), -1);
    EXPECT_EQ(cpuTicksFromStat("1 (x) S 1 1 1 0 -1 0 0 0 0 0 a b 0"), -1);
}

TEST(BenchProcFigures, kilobyteFieldsAreFoundByTheirKeyOnly)
{
    const QByteArray rollup = "55d0-7ffd ---p 00000000 00:00 0 [rollup]\n"
                              "Rss:              429200 kB\n"
                              "Pss:              179300 kB\n"
                              "Pss_Anon:          90000 kB\n";
    EXPECT_EQ(kbField(rollup, "Pss:"), 179300);
    EXPECT_EQ(kbField(rollup, "Rss:"), 429200);
    EXPECT_EQ(kbField(rollup, "Pss_Anon:"), 90000);
    EXPECT_EQ(kbField("VmRSS:\t  2048 kB\nRssAnon:\t   512 kB\n", "RssAnon:"), 512);
    EXPECT_EQ(kbField(rollup, "VmRSS:"), 0);
}

TEST(BenchProcFigures, aChildShowsInTheTreesMemoryAndGoneProcessesReadAsGone)
{
    QProcess child;
    child.start(QStringLiteral("sleep"), {QStringLiteral("5")});
    ASSERT_TRUE(child.waitForStarted());
    // Just after its exec the child may not have its program and libraries mapped in yet.
    Memory alone = memoryOf(child.processId());
    for (int i = 0; i < 200 && alone.anonKb >= alone.rssKb; ++i) {
        QThread::msleep(10);
        alone = memoryOf(child.processId());
    }
    const Memory withChild = memoryOf(getpid());
    EXPECT_EQ(alone.processes, 1);
    EXPECT_GT(alone.rssKb, 0);
    EXPECT_GT(alone.pssKb, 0);
    EXPECT_GT(alone.anonKb, 0);
    EXPECT_LT(alone.anonKb, alone.rssKb);
    EXPECT_GE(withChild.processes, 2);
    EXPECT_GE(cpuSeconds(getpid()), 0);
    const qint64 pid = child.processId();
    child.kill();
    ASSERT_TRUE(child.waitForFinished()); // reaped: its /proc entry is gone
    EXPECT_EQ(cpuSeconds(pid), -1);
}

TEST(BenchProcFigures, medianOfEvenAndOddCountsAndAnEmptyRun)
{
    const Stats odd = statsOf({30, 10, 20});
    EXPECT_EQ(odd.median, 20);
    EXPECT_EQ(odd.min, 10);
    EXPECT_EQ(odd.max, 30);
    EXPECT_EQ(statsOf({4, 1, 3, 2}).median, 2.5);
    EXPECT_EQ(statsOf({}).n, 0);
}
