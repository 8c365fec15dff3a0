// The main window's pure rules: the resize rule, line fallback, login gates.
#include "mainwindow/form1rules.h"
#include "mainwindow/layoutrule.h"

#include <gtest/gtest.h>

using State = LayoutRule::State;

struct LayoutCase {
    const char* name;
    QSize outer;
    State state;
    bool place;
    bool resize;
    QSize placedFor;
};

class LayoutRuleTest : public ::testing::TestWithParam<LayoutCase>
{
};

TEST_P(LayoutRuleTest, clampsAndPlaces)
{
    const LayoutCase& c = GetParam();
    const LayoutRule::Result r = LayoutRule::apply(c.outer, c.state);
    EXPECT_EQ(r.place, c.place);
    EXPECT_EQ(r.resize, c.resize);
    if (!c.place)
        return;
    EXPECT_EQ(r.outer, c.placedFor);
    const int w = c.placedFor.width();
    const int h = c.placedFor.height();
    EXPECT_EQ(r.command2Left, w - 1100);
    EXPECT_EQ(r.command1Left, w - 2245);
    EXPECT_EQ(r.mimaLeft, w - 3570);
    EXPECT_EQ(r.browser, QRect(0, 400, w - 140, h - 900));
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, LayoutRuleTest,
    ::testing::Values(
        LayoutCase{
            "loadSize_heightRaised", {15500, 10400}, State::Normal, true, true, {15500, 10680}},
        LayoutCase{"bothTooSmall", {9000, 6000}, State::Normal, true, true, {15360, 10680}},
        LayoutCase{"widthOnlyTooSmall", {15000, 12000}, State::Normal, true, true, {15360, 12000}},
        LayoutCase{"exactMinimum", {15360, 10680}, State::Normal, true, false, {15360, 10680}},
        LayoutCase{"large", {28800, 16200}, State::Normal, true, false, {28800, 16200}},
        LayoutCase{
            "maximisedOnSmallScreen", {12000, 9000}, State::Maximized, true, false, {12000, 9000}},
        LayoutCase{"minimisedMovesNothing", {2400, 450}, State::Minimized, false, false, {}}),
    [](const ::testing::TestParamInfo<LayoutCase>& i) { return std::string(i.param.name); });

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
