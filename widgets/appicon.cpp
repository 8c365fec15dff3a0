#include "widgets/appicon.h"

#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QSvgRenderer>
#include <algorithm>

namespace AppIcon
{

QImage image(int side)
{
    QImage picture(side, side, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QSvgRenderer svg(QStringLiteral(":/icons/zvkb.svg"));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter);
    return picture;
}

namespace
{

// The icon at every size, marked or not: a blue dot in the top right corner (the disc itself is
// red), on white.
QIcon draw(bool marked)
{
    QIcon result;
    for (int side : {16, 22, 24, 32, 48, 256}) {
        QImage picture = image(side);
        if (marked) {
            QPainter painter(&picture);
            painter.setRenderHint(QPainter::Antialiasing);
            const qreal d = side * 0.46;
            painter.setPen(QPen(Qt::white, std::max(1.0, side / 16.0)));
            painter.setBrush(QColor(0x1e, 0x88, 0xff));
            painter.drawEllipse(QRectF(side - d - 0.5, 0.5, d, d));
        }
        result.addPixmap(QPixmap::fromImage(picture));
    }
    return result;
}

} // namespace

// Drawn once: the window, the tray and its StatusNotifier item all take the same icons, and the
// tray asks for them again each time the missed notices change. Kept for the whole run (never
// destroyed, so no pixmap outlives the application object).
QIcon icon()
{
    static const QIcon* const drawn = new QIcon(draw(false));
    return *drawn;
}

QIcon markedIcon()
{
    static const QIcon* const drawn = new QIcon(draw(true));
    return *drawn;
}

} // namespace AppIcon
