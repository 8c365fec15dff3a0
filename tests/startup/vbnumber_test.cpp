// Converting stored texts to numbers the way the settings readers do.
#include "startup/vbnumber.h"

#include <gtest/gtest.h>

namespace
{

struct ValCase {
    const char* text;
    double value;
};

class VbVal : public ::testing::TestWithParam<ValCase>
{
};

TEST_P(VbVal, readsLeadingNumber)
{
    EXPECT_DOUBLE_EQ(VbNumber::Val(QString::fromUtf8(GetParam().text)), GetParam().value)
        << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VbVal,
    ::testing::Values(ValCase{"3", 3}, ValCase{" 3", 3}, ValCase{"2abc", 2}, ValCase{"abc", 0},
                      ValCase{"", 0}, ValCase{"-", 0}, ValCase{".", 0}, ValCase{"1 2 3", 123},
                      ValCase{"\t1\n5", 15}, ValCase{"- 4", -4}, ValCase{"+7", 7},
                      ValCase{"--1", 0}, ValCase{"2.5", 2.5}, ValCase{".5", 0.5},
                      ValCase{"1.2.3", 1.2}, ValCase{"1e3", 1000}, ValCase{"1D2", 100},
                      ValCase{"2E-1x", 0.2}, ValCase{"2e", 2}, ValCase{"2e+", 2}, ValCase{"\r1", 0},
                      ValCase{"１", 0}, ValCase{"1,5", 1}));

struct IntCase {
    const char* text;
    std::optional<qint16> value;
};

class VbToInt16 : public ::testing::TestWithParam<IntCase>
{
};

TEST_P(VbToInt16, roundsHalvesToEvenWithinRange)
{
    EXPECT_EQ(VbNumber::toInt16(QString::fromUtf8(GetParam().text)), GetParam().value)
        << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VbToInt16,
    ::testing::Values(IntCase{"2.5", 2}, IntCase{"1.5", 2}, IntCase{"0.5", 0}, IntCase{"-0.5", 0},
                      IntCase{"-1.5", -2}, IntCase{"2.51", 3}, IntCase{"2abc", 2},
                      IntCase{"abc", 0}, IntCase{" 3", 3}, IntCase{"32767", 32767},
                      IntCase{"32767.5", std::nullopt}, IntCase{"-32768", -32768},
                      IntCase{"-32768.5", -32768}, IntCase{"-32769", std::nullopt},
                      IntCase{"40000", std::nullopt}, IntCase{"1e400", std::nullopt},
                      IntCase{"-1e400", std::nullopt}));

class VbToInt16Strict : public ::testing::TestWithParam<IntCase>
{
};

TEST_P(VbToInt16Strict, acceptsOnlyAWholeNumber)
{
    EXPECT_EQ(VbNumber::toInt16Strict(QString::fromUtf8(GetParam().text)), GetParam().value)
        << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VbToInt16Strict,
    ::testing::Values(IntCase{"1", 1}, IntCase{" 0 ", 0}, IntCase{"2", 2}, IntCase{"1.5", 2},
                      IntCase{"1e0", 1}, IntCase{"", std::nullopt}, IntCase{" ", std::nullopt},
                      IntCase{"abc", std::nullopt}, IntCase{"1abc", std::nullopt},
                      IntCase{"1 1", std::nullopt}, IntCase{"1e", std::nullopt},
                      IntCase{"99999", std::nullopt}));

} // namespace
