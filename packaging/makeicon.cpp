// Draws the program's icon for desktop menus as a PNG: the tray icon's picture (a red disc with
// a golden "Z") at a size menus and launchers can scale down from.
#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: makeicon <out.png> <size>\n");
        return 2;
    }
    // Text needs a font database, which needs an application object; no screen is used.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int side = QByteArray(argv[2]).toInt();
    if (side < 16 || side > 1024) {
        fprintf(stderr, "makeicon: size out of range\n");
        return 2;
    }

    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        const qreal inset = side / 64.0;
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(200, 16, 30));
        painter.drawEllipse(QRectF(inset, inset, side - 2 * inset, side - 2 * inset));
        QFont letter;
        letter.setBold(true);
        letter.setPixelSize(side * 3 / 4);
        painter.setFont(letter);
        painter.setPen(QColor(255, 215, 0));
        painter.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("Z"));
    }
    if (!image.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        fprintf(stderr, "makeicon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
