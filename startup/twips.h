#pragma once
// The unit the windows are designed in: twips, 1440 to the inch and 15 to the logical pixel (Qt
// takes care of high-DPI screens). Every window converts by this one rule: pixels from twips are
// rounded to the nearest pixel, halves away from zero.
#include <QRect>
#include <QSize>

namespace Twips
{

inline constexpr int PerPixel = 15;

// Twips as pixels; a fraction of a twip (a halved distance) is rounded with the rest.
int toPixels(double twips);
// A design-time rectangle (left, top, width, height in twips) in pixels, each part rounded.
QRect toPixels(const QRect& twips);
QSize toPixels(const QSize& twips);
QRect rect(int left, int top, int width, int height);

constexpr int fromPixels(int pixels)
{
    return pixels * PerPixel;
}

constexpr QSize fromPixels(const QSize& pixels)
{
    return QSize(fromPixels(pixels.width()), fromPixels(pixels.height()));
}

} // namespace Twips
