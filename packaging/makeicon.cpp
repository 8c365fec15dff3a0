// Writes the program's icon file for desktop menus and launchers: its one picture (see
// widgets/appicon.h) as a PNG of the given size.
#include "widgets/appicon.h"

#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: makeicon <out.png> <size>\n");
        return 2;
    }
    // Painting needs an application object; no screen is used.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int side = QByteArray(argv[2]).toInt();
    if (side < 16 || side > 1024) {
        fprintf(stderr, "makeicon: size out of range\n");
        return 2;
    }
    if (!AppIcon::image(side).save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        fprintf(stderr, "makeicon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
