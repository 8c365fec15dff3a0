// A logout (SIGTERM), a lost terminal (SIGHUP) and Ctrl+C (SIGINT) reach the event loop instead of
// ending the process on the spot.
#include "startup/terminationsignals.h"
#include "support/waitfor.h"

#include <csignal>
#include <gtest/gtest.h>

TEST(TerminationSignals, eachEndRequestArrivesOnTheEventLoopWhileTheObjectLives)
{
    QList<int> received;
    {
        TerminationSignals endRequests;
        QObject::connect(&endRequests, &TerminationSignals::received,
                         [&](int s) { received << s; });
        for (int s : {SIGHUP, SIGINT, SIGTERM})
            ASSERT_EQ(::raise(s), 0);
        EXPECT_TRUE(waitFor([&] { return received.size() == 3; }, 5000));
    }
    EXPECT_EQ(received, (QList<int>{SIGHUP, SIGINT, SIGTERM}));
    for (int s : {SIGHUP, SIGINT, SIGTERM}) {
        struct sigaction now = {};
        ASSERT_EQ(::sigaction(s, nullptr, &now), 0);
        EXPECT_EQ(now.sa_handler, SIG_DFL) << "signal " << s;
    }
}

TEST(TerminationSignals, aSignalIgnoredFromTheStartStaysIgnored)
{
    // Started with nohup: the lost terminal must not end the program.
    ASSERT_NE(::signal(SIGHUP, SIG_IGN), SIG_ERR);
    QList<int> received;
    {
        TerminationSignals endRequests;
        QObject::connect(&endRequests, &TerminationSignals::received,
                         [&](int s) { received << s; });
        ASSERT_EQ(::raise(SIGHUP), 0);
        ASSERT_EQ(::raise(SIGTERM), 0);
        EXPECT_TRUE(waitFor([&] { return received.size() == 1; }, 5000));
    }
    EXPECT_EQ(received, QList<int>{SIGTERM});
    struct sigaction now = {};
    ASSERT_EQ(::sigaction(SIGHUP, nullptr, &now), 0);
    EXPECT_EQ(now.sa_handler, SIG_IGN);
    ::signal(SIGHUP, SIG_DFL);
}
