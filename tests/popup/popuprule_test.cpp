// Where a popup goes and which open popups a new one closes.
#include "popup/popuprule.h"

#include <gtest/gtest.h>

namespace
{

TEST(PopupRule, bottomRightOfTheWholeScreenByOuterSize)
{
    // 50 and 500 twips are 3 and 33 pixels at 15 twips to the pixel.
    EXPECT_EQ(PopupRule::position({1920, 1080}, {238, 133}),
              QPoint(1920 - 238 - 3, 1080 - 133 - 33));
    EXPECT_TRUE(PopupRule::closesOnNewPopup(1, 4));
    EXPECT_FALSE(PopupRule::closesOnNewPopup(2, 4));
    EXPECT_FALSE(PopupRule::closesOnNewPopup(0x7fffffff, 0x7fffffff));
}

} // namespace
