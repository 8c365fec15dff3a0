// The window manager's frame as Qt reports it is taken only when it makes sense.
#include "widgets/windowframe.h"

#include <gtest/gtest.h>

TEST(WindowFrame, marginsAreTakenOnlyWhenTheFrameSurroundsTheWindow)
{
    const QRect client(124, 193, 1033, 675);
    // A title bar of 37 pixels and no side borders (mutter).
    EXPECT_EQ(WindowFrame::margins(QRect(124, 156, 1033, 712), client), QMargins(0, 37, 0, 0));
    // Borders all round (openbox).
    EXPECT_EQ(WindowFrame::margins(QRect(123, 171, 1035, 698), client), QMargins(1, 22, 1, 1));
    // Not framed yet: the frame is the window itself.
    EXPECT_EQ(WindowFrame::margins(client, client), std::nullopt);
    // A frame that KWin is still building: 1 × 1 at the window's corner, which would make the
    // window ask for twice its size.
    EXPECT_EQ(WindowFrame::margins(QRect(124, 193, 1, 1), client), std::nullopt);
    // Any side inside the window is no frame either.
    EXPECT_EQ(WindowFrame::margins(QRect(130, 156, 1027, 712), client), std::nullopt);
}
