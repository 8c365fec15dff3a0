// The ready state from load signals and document reports.
#include "net/frametracker.h"

#include <gtest/gtest.h>

namespace
{

FrameReport report(FrameReport::Kind kind, quint64 id, bool top = false)
{
    return FrameReport{kind, id, QStringLiteral("http://h/%1").arg(id), top};
}

TEST(FrameTracker, framesetLoad_completeOnlyWhenEveryFrameIs)
{
    FrameTracker t;
    EXPECT_EQ(t.readyState(), 0);
    t.loadStarted();
    EXPECT_EQ(t.readyState(), 1);
    t.apply(report(FrameReport::Created, 1, true));
    t.apply(report(FrameReport::Created, 2));
    t.apply(report(FrameReport::Created, 3));
    EXPECT_TRUE(t.apply(report(FrameReport::Loaded, 2)));
    EXPECT_FALSE(t.apply(report(FrameReport::Loaded, 2))); // told once
    EXPECT_TRUE(t.apply(report(FrameReport::Loaded, 3)));
    EXPECT_EQ(t.readyState(), 1);
    EXPECT_TRUE(t.apply(report(FrameReport::Loaded, 1, true)));
    EXPECT_EQ(t.readyState(), 1); // the engine still loads
    t.loadFinished();
    EXPECT_EQ(t.readyState(), 4);
    EXPECT_EQ(t.topDocId(), 1u);
}

TEST(FrameTracker, frameNavigation_loadingUntilTheNewDocumentCompletes)
{
    FrameTracker t;
    t.loadStarted();
    t.apply(report(FrameReport::Created, 1, true));
    t.apply(report(FrameReport::Created, 2));
    t.apply(report(FrameReport::Loaded, 2));
    t.apply(report(FrameReport::Loaded, 1, true));
    t.loadFinished();
    ASSERT_EQ(t.readyState(), 4);
    t.apply(report(FrameReport::Gone, 2));
    t.apply(report(FrameReport::Created, 5));
    EXPECT_EQ(t.readyState(), 1);
    EXPECT_TRUE(t.apply(report(FrameReport::Loaded, 5)));
    EXPECT_EQ(t.readyState(), 4);
    // A frame removed before it completed no longer holds the page back.
    t.apply(report(FrameReport::Created, 6));
    EXPECT_EQ(t.readyState(), 1);
    t.apply(report(FrameReport::Gone, 6));
    EXPECT_EQ(t.readyState(), 4);
}

TEST(FrameTracker, newTopDocument_forgetsTheOldPagesFrames)
{
    FrameTracker t;
    t.loadStarted();
    t.apply(report(FrameReport::Created, 1, true));
    t.apply(report(FrameReport::Created, 2)); // never completes: the page is left
    t.loadStarted();
    t.apply(report(FrameReport::Created, 10, true));
    EXPECT_FALSE(t.knows(2));
    t.apply(report(FrameReport::Loaded, 10, true));
    t.loadFinished();
    EXPECT_EQ(t.readyState(), 4);
}

TEST(FrameTracker, loadFinishedBeforeReports_isComplete)
{
    // A page whose documents report late (or never, like an error page) is complete once the
    // engine says so; a late creation report holds it back until its load report.
    FrameTracker t;
    t.loadStarted();
    t.loadFinished();
    EXPECT_EQ(t.readyState(), 4);
    t.apply(report(FrameReport::Created, 1, true));
    EXPECT_EQ(t.readyState(), 1);
    t.apply(report(FrameReport::Loaded, 1, true));
    EXPECT_EQ(t.readyState(), 4);
}

} // namespace
