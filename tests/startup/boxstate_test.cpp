// A stored box state, read by the one rule every window uses.
#include "startup/boxstate.h"

#include <gtest/gtest.h>

struct BoxValueCase {
    const char* text;
    std::optional<int> state;
};

class BoxValueTest : public ::testing::TestWithParam<BoxValueCase>
{
};

TEST_P(BoxValueTest, storedTextGivesState)
{
    const BoxValueCase& c = GetParam();
    EXPECT_EQ(BoxState::fromIni(QString::fromUtf8(c.text)), c.state) << c.text;
}

INSTANTIATE_TEST_SUITE_P(
    Values, BoxValueTest,
    ::testing::Values(BoxValueCase{"0", 0}, BoxValueCase{"1", 1}, BoxValueCase{"2", 2},
                      BoxValueCase{" 1 ", 1}, BoxValueCase{"1.5", 2}, BoxValueCase{"2.5", 2},
                      BoxValueCase{"0.5", 0}, BoxValueCase{"", std::nullopt},
                      BoxValueCase{"3", std::nullopt}, BoxValueCase{"9", std::nullopt},
                      BoxValueCase{"-1", std::nullopt}, BoxValueCase{"abc", std::nullopt},
                      BoxValueCase{"1abc", std::nullopt}, BoxValueCase{"inf", std::nullopt},
                      BoxValueCase{"nan", std::nullopt}, BoxValueCase{"99999", std::nullopt},
                      BoxValueCase{"1D0", 1}, BoxValueCase{"2e0", 2}));
