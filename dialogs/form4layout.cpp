#include "dialogs/form4layout.h"

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
