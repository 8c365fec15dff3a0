// The benchmark's start-up timelines: reading the program's steps and summing up several starts.
#include "timeline.h"

#include <gtest/gtest.h>

using namespace bench;

namespace
{

QStringList names(const Timeline& t)
{
    QStringList out;
    for (const Step& s : t)
        out << s.name;
    return out;
}

} // namespace

TEST(BenchTimeline, stepsAreTimedFromTheStartInTheOrderOfTheirTimes)
{
    const qint64 start = 1'700'000'000'000;
    const QByteArray text = "main\t1700000000021\n"
                            "tray added\t1700000000190\n" // a name with a blank
                            "request\t1700000000180\n"    // written late, came earlier
                            "broken line\n"
                            "\t1700000000200\n"
                            "shown\tsoon\n"
                            "request\t1700000000400\n" // named twice: the first counts
                            "loaded\t1700000000350";   // no newline at the end
    const Timeline t = parseTimeline(text, start);
    EXPECT_EQ(names(t), (QStringList{"main", "request", "tray added", "loaded"}));
    ASSERT_EQ(t.size(), 4);
    EXPECT_EQ(t[0].ms, 21);
    EXPECT_EQ(t[1].ms, 180);
    EXPECT_EQ(t[2].ms, 190);
    EXPECT_EQ(t[3].ms, 350);
    EXPECT_TRUE(parseTimeline("", start).isEmpty());
}

TEST(BenchTimeline, anAddedStepTakesItsPlaceInTimeAfterOnesOfTheSameTime)
{
    Timeline t = parseTimeline("main\t10\nrequest\t50\nloaded\t90\n", 0);
    addStep(t, QStringLiteral("served"), 50);
    addStep(t, QStringLiteral("early"), 0);
    addStep(t, QStringLiteral("late"), 120);
    EXPECT_EQ(names(t), (QStringList{"early", "main", "request", "served", "loaded", "late"}));
}

TEST(BenchTimeline, aStepsCostIsTheTimeSinceTheStepBeforeItInTheSameStart)
{
    // The tray came before the request in two starts and after it in the third: its cost is
    // counted from whatever came before it each time.
    const QList<Timeline> starts = {
        parseTimeline("main\t20\ntray\t100\nrequest\t130\nloaded\t300\n", 0),
        parseTimeline("main\t30\ntray\t110\nrequest\t150\nloaded\t340\n", 0),
        parseTimeline("main\t25\nrequest\t60\ntray\t90\nloaded\t320\n", 0),
    };
    const QList<StepSummary> s = summarise(starts);
    QStringList order;
    for (const StepSummary& step : s)
        order << step.name;
    EXPECT_EQ(order, (QStringList{"main", "tray", "request", "loaded"}));

    const StepSummary tray = summaryOf(s, QStringLiteral("tray"));
    EXPECT_EQ(tray.at.n, 3);
    EXPECT_EQ(tray.at.median, 100);
    EXPECT_EQ(tray.cost.median, 80); // 80 and 80 after main, 30 after the request
    EXPECT_EQ(tray.cost.min, 30);
    const StepSummary request = summaryOf(s, QStringLiteral("request"));
    EXPECT_EQ(request.cost.min, 30); // 30 and 40 after the tray, 35 after main
    EXPECT_EQ(request.cost.max, 40);
    const StepSummary first = summaryOf(s, QStringLiteral("main"));
    EXPECT_EQ(first.cost.median, first.at.median); // the first step's cost is its time
    EXPECT_EQ(summaryOf(s, QStringLiteral("loaded")).cost.median, 190); // 170, 190, 230
}

TEST(BenchTimeline, aStepOnlySomeStartsReachIsSummedOverThoseAndAMissingOneOverNone)
{
    const QList<Timeline> starts = {
        parseTimeline("main\t20\nlistener\t40\nloaded\t300\n", 0),
        parseTimeline("main\t30\nloaded\t320\n", 0),
    };
    const QList<StepSummary> s = summarise(starts);
    EXPECT_EQ(summaryOf(s, QStringLiteral("listener")).at.n, 1);
    EXPECT_EQ(summaryOf(s, QStringLiteral("listener")).cost.median, 20);
    EXPECT_EQ(summaryOf(s, QStringLiteral("loaded")).at.n, 2);
    EXPECT_EQ(summaryOf(s, QStringLiteral("loaded")).cost.median, 275); // 260 and 290
    EXPECT_EQ(summaryOf(s, QStringLiteral("shown")).at.n, 0);
    EXPECT_TRUE(summarise({}).isEmpty());
}

TEST(BenchTimeline, aStepsProcessorTimeCountsSinceTheLastStepThatSaidIts)
{
    // The thread's processor time by each step; the service's arrival, added by the benchmark,
    // says none, and a step whose third field is not a number says none either.
    Timeline first = parseTimeline("main\t20\t18.5\nrequest\t150\t90\nshown\t170\tsoon\n"
                                   "loaded\t400\t130.5\n",
                                   0);
    addStep(first, QStringLiteral("served"), 200);
    ASSERT_EQ(names(first), (QStringList{"main", "request", "shown", "served", "loaded"}));
    EXPECT_EQ(first[0].cpuMs, 18.5);
    EXPECT_LT(first[2].cpuMs, 0);
    EXPECT_LT(first[3].cpuMs, 0);
    const Timeline second =
        parseTimeline("main\t30\t21.5\nrequest\t170\t100\nloaded\t420\t150\n", 0);
    const QList<StepSummary> s = summarise({first, second});
    EXPECT_EQ(summaryOf(s, QStringLiteral("main")).cpu.median, 20);      // 18.5, 21.5 from 0
    EXPECT_EQ(summaryOf(s, QStringLiteral("request")).cpu.median, 75);   // 71.5, 78.5
    EXPECT_EQ(summaryOf(s, QStringLiteral("loaded")).cpu.median, 45.25); // 40.5 since request, 50
    EXPECT_EQ(summaryOf(s, QStringLiteral("served")).cpu.n, 0);
    EXPECT_EQ(summaryOf(s, QStringLiteral("served")).cost.median, 30); // its wall cost still counts
    // A timeline of lines with two fields (an older program's) has no processor times at all.
    EXPECT_EQ(summaryOf(summarise({parseTimeline("main\t20\n", 0)}), QStringLiteral("main")).cpu.n,
              0);
}
