#include "dialogs/form4layout.h"

#include <cmath>

Form4Layout::Size Form4Layout::browserOnResize(int outerWidth, int outerHeight)
{
    Size s;
    const int w = outerWidth - kWidthAllowance;
    const int h = outerHeight - kHeightAllowance;
    if (w >= 0)
        s.width = w;
    if (h >= 0)
        s.height = h;
    return s;
}

int Form4Layout::toPixels(int twips)
{
    return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}

int Form4Layout::toTwips(int pixels)
{
    return pixels * kTwipsPerPixel;
}
