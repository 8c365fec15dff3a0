#include "startup/twips.h"

#include <cmath>

namespace Twips
{

int toPixels(double twips)
{
    return static_cast<int>(std::lround(twips / PerPixel));
}

QRect toPixels(const QRect& twips)
{
    return rect(twips.x(), twips.y(), twips.width(), twips.height());
}

QRect rect(int left, int top, int width, int height)
{
    return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

QSize toPixels(const QSize& twips)
{
    return {toPixels(double(twips.width())), toPixels(double(twips.height()))};
}

} // namespace Twips
