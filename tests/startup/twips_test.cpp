// Twips to pixels, the one rule every window's geometry goes through: nearest pixel, halves
// away from zero.
#include "startup/twips.h"

#include <gtest/gtest.h>

TEST(Twips, toPixelsRoundsToTheNearestPixel)
{
    const struct {
        double twips;
        int pixels;
    } cases[] = {
        {15500, 1033}, // the main window's designed width (1033.3)
        {10680, 712},  // its smallest height, exactly
        {400, 27},     // 26.7 up
        {-1100, -73},  // -73.3 toward zero
        {7.5, 1},      // half a pixel away from zero
        {-7.5, -1},
        {7.49, 0},
        {3735, 249}, // wider than the popup: clipped, not shrunk
        {1032.5 * 15, 1033},
        {0, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Twips::toPixels(c.twips), c.pixels) << c.twips;
    EXPECT_EQ(Twips::fromPixels(1024), 15360);
}

TEST(Twips, designRectanglesRoundEachPart)
{
    EXPECT_EQ(Twips::rect(10155, 5940, 5175, 1935), QRect(677, 396, 345, 129));
    EXPECT_EQ(Twips::rect(120, 120, 900, 180), QRect(8, 8, 60, 12));
    EXPECT_EQ(Twips::toPixels(QRect(0, 400, 15220, 9780)), QRect(0, 27, 1015, 652));
}
