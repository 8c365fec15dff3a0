// The main window's pure rules: the resize rule, line fallback, login gates, the rate of windows
// a page opens on its own.
#include "mainwindow/form1rules.h"
#include "mainwindow/layoutrule.h"
#include "mainwindow/newwindowrate.h"

#include <gtest/gtest.h>
#include <optional>

using State = LayoutRule::State;

struct LayoutCase {
    const char* name;
    QSize outer;
    QSize client;
    State state;
    std::optional<QSize> raised; // the outer size asked for; nullopt: none
    int command2Left;
    int command1Left;
    int mimaLeft;
    QRect browser;
};

class LayoutRuleTest : public ::testing::TestWithParam<LayoutCase>
{
};

TEST_P(LayoutRuleTest, raisesAndPlaces)
{
    const LayoutCase& c = GetParam();
    const LayoutRule::Result r = LayoutRule::apply(c.outer, c.client, c.state);
    ASSERT_TRUE(r.place);
    EXPECT_EQ(r.resize, c.raised.has_value());
    if (c.raised) {
        EXPECT_EQ(r.raised, *c.raised);
    }
    EXPECT_EQ(r.command2Left, c.command2Left);
    EXPECT_EQ(r.command1Left, c.command1Left);
    EXPECT_EQ(r.mimaLeft, c.mimaLeft);
    EXPECT_EQ(r.browser, c.browser);
}

// Sizes in twips, 15 to the pixel. A frame of 4 pixels at the sides and 30 in all at the top and
// bottom is 120 × 450.
INSTANTIATE_TEST_SUITE_P(
    Sizes, LayoutRuleTest,
    ::testing::Values(
        LayoutCase{"loadSizeHeightRaised",
                   {15500, 10400},
                   {15380, 9950},
                   State::Normal,
                   QSize(15500, 10680),
                   14400,
                   13255,
                   11930,
                   {0, 400, 15360, 9500}},
        LayoutCase{"bothTooSmallWithoutFrame",
                   {9000, 6000},
                   {9000, 6000},
                   State::Normal,
                   QSize(15360, 10680),
                   7900,
                   6755,
                   5430,
                   {0, 400, 8860, 5100}},
        LayoutCase{"exactMinimum",
                   {15360, 10680},
                   {15240, 10230},
                   State::Normal,
                   std::nullopt,
                   14260,
                   13115,
                   11790,
                   {0, 400, 15220, 9780}},
        LayoutCase{"large",
                   {28800, 16200},
                   {28680, 15750},
                   State::Normal,
                   std::nullopt,
                   27700,
                   26555,
                   25230,
                   {0, 400, 28660, 15300}},
        LayoutCase{"maximisedOnSmallScreen",
                   {12000, 9000},
                   {12000, 9000},
                   State::Maximized,
                   std::nullopt,
                   10900,
                   9755,
                   8430,
                   {0, 400, 11860, 8100}},
        // 1033 × 712 pixels under a 37-pixel title bar: the browser ends at the client's bottom.
        LayoutCase{"tallTitleBar",
                   {15495, 10680},
                   {15495, 10125},
                   State::Normal,
                   std::nullopt,
                   14395,
                   13250,
                   11925,
                   {0, 400, 15355, 9725}},
        // A tiling window manager keeps 1000 × 650 without a frame: asked once, placed for it.
        LayoutCase{"refusedMinimum",
                   {15000, 9750},
                   {15000, 9750},
                   State::Normal,
                   QSize(15360, 10680),
                   13900,
                   12755,
                   11430,
                   {0, 400, 14860, 8850}},
        // Ten-pixel borders at the sides: the strip moves left together, Command2 ends inside.
        LayoutCase{"thickSideBorders",
                   {15495, 10680},
                   {15195, 10230},
                   State::Normal,
                   std::nullopt,
                   14220,
                   13075,
                   11750,
                   {0, 400, 15195, 9780}}),
    [](const ::testing::TestParamInfo<LayoutCase>& i) { return std::string(i.param.name); });

TEST(LayoutRule, minimisedMovesNothing)
{
    const LayoutRule::Result r =
        LayoutRule::apply({2400, 450}, {2400, 0}, LayoutRule::State::Minimized);
    EXPECT_FALSE(r.place);
    EXPECT_FALSE(r.resize);
}

TEST(Form1Rules, linesOutsideTheTableOpenLineZero)
{
    for (qint16 i = 0; i <= 3; ++i)
        EXPECT_EQ(Form1Rules::effectiveLine(i), i);
    for (qint16 i : {qint16(4), qint16(9), qint16(-1), qint16(32767)})
        EXPECT_EQ(Form1Rules::effectiveLine(i), 0) << i;
}

TEST(Form1Rules, loginGatesInOrder)
{
    const QString u = QStringLiteral("u"), p = QStringLiteral("p");
    EXPECT_TRUE(Form1Rules::loginFillWanted(1, u, p, 4));
    EXPECT_TRUE(Form1Rules::loginFillWanted(2, u, p, 4)); // greyed is not clear
    EXPECT_FALSE(Form1Rules::loginFillWanted(0, u, p, 4));
    EXPECT_FALSE(Form1Rules::loginFillWanted(1, QString(), p, 4));
    EXPECT_FALSE(Form1Rules::loginFillWanted(1, u, QString(), 4));
    EXPECT_FALSE(Form1Rules::loginFillWanted(1, u, p, 3));
    EXPECT_FALSE(Form1Rules::loginFillWanted(1, u, p, 0));
}

TEST(Form1Rules, aFailedPageWaitsLongerEachTimeAtMostAMinute)
{
    const int expected[] = {2000, 4000, 8000, 16000, 32000, 60000, 60000};
    for (int attempt = 0; attempt < 7; ++attempt)
        EXPECT_EQ(Form1Rules::retryDelayMs(attempt), expected[attempt]) << attempt;
    EXPECT_EQ(Form1Rules::retryDelayMs(1000), 60000); // a night without network
}

TEST(NewWindowRate, aHandfulOfUnrequestedWindowsBetweenTheMembersClicksAndEveryClickedOne)
{
    // A page's timer asks for a window every 1.7 s for a minute: the first few open, then none.
    NewWindowRate rate;
    int opened = 0;
    for (int i = 0; i < 60000 / 1700; ++i)
        opened += rate.allow(false);
    EXPECT_EQ(opened, NewWindowRate::kMaxUnrequested);
    // The member's click in the page opens its window, and gives the page its handful back.
    EXPECT_TRUE(rate.allow(true));
    for (int i = 0; i < NewWindowRate::kMaxUnrequested; ++i)
        EXPECT_TRUE(rate.allow(false)) << i;
    EXPECT_FALSE(rate.allow(false));
    // So does a click that opens nothing.
    rate.memberInput();
    EXPECT_TRUE(rate.allow(false));
}
