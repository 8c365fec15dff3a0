#pragma once
// The program's icon, drawn from its one picture (zvkb.svg in the resources): the same picture
// for the windows, the tray and the icon file the desktop entry names.
#include <QIcon>
#include <QImage>

namespace AppIcon
{

// The icon at the sizes trays and title bars ask for (16 to 48 pixels, and 256).
QIcon icon();
// The picture at side × side pixels, transparent around the disc.
QImage image(int side);
// The icon with a blue mark in its top right corner: notices are waiting.
QIcon markedIcon();

} // namespace AppIcon
