// Pairing a right click's engine request with its document's report, in either order.
#include "net/contextmenupairing.h"

#include <gtest/gtest.h>

namespace
{

TEST(ContextMenuPairing, reportFirst_requestTakesItWhileFresh)
{
    ContextMenuPairing p(500, 300);
    EXPECT_FALSE(p.report(7, 1000));
    EXPECT_EQ(p.request(1200), std::optional<quint64>(7));
    EXPECT_FALSE(p.waiting());
    // Taken once: the next request waits for a report of its own.
    EXPECT_FALSE(p.request(1300));
    EXPECT_TRUE(p.waiting());
}

TEST(ContextMenuPairing, staleReport_belongsToAnotherClick)
{
    // A page that shows its own menu reports the click but the engine never asks.
    ContextMenuPairing p(500, 300);
    p.report(7, 1000);
    EXPECT_FALSE(p.request(1501));
    EXPECT_EQ(p.report(8, 1550), std::optional<quint64>(8));
}

TEST(ContextMenuPairing, requestFirst_reportOrTimeoutEndsTheWait)
{
    ContextMenuPairing p(500, 300);
    EXPECT_FALSE(p.request(1000));
    EXPECT_EQ(p.report(9, 1100), std::optional<quint64>(9));
    EXPECT_FALSE(p.expire()); // already answered

    EXPECT_FALSE(p.request(2000));
    EXPECT_EQ(p.expire(), std::optional<quint64>(0));
    EXPECT_FALSE(p.waiting());
    // A report after the timeout is kept for the next click, not sent twice.
    EXPECT_FALSE(p.report(10, 2400));
    EXPECT_EQ(p.request(2500), std::optional<quint64>(10));
}

} // namespace
