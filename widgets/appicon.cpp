#include "widgets/appicon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

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

QIcon icon()
{
    QIcon result;
    for (int side : {16, 22, 24, 32, 48, 256})
        result.addPixmap(QPixmap::fromImage(image(side)));
    return result;
}

} // namespace AppIcon
