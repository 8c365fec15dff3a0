// Ending the process finds the helper processes it has to take down with it.
#include "mainwindow/processend.h"

#include <QCoreApplication>
#include <QProcess>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>

TEST(ProcessEnd, descendantsIncludeGrandchildren)
{
    QProcess shell;
    // The shell starts a grandchild and prints its id.
    shell.start(QStringLiteral("/bin/sh"),
                {QStringLiteral("-c"), QStringLiteral("sleep 30 & echo $!; wait")});
    ASSERT_TRUE(shell.waitForStarted());
    ASSERT_TRUE(shell.waitForReadyRead(5000));
    const int grandchild = shell.readLine().trimmed().toInt();
    ASSERT_GT(grandchild, 0);

    const std::vector<int> found = ProcessEnd::descendants();
    const auto has = [&](int pid) {
        return std::find(found.begin(), found.end(), pid) != found.end();
    };
    EXPECT_TRUE(has(static_cast<int>(shell.processId())));
    EXPECT_TRUE(has(grandchild));
    EXPECT_FALSE(has(static_cast<int>(QCoreApplication::applicationPid())));

    ::kill(grandchild, SIGKILL);
    shell.kill();
    shell.waitForFinished();
}
