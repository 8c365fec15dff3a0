// The benchmark's floor: a bare Qt WebEngine window that loads one page and does nothing else,
// so that the program's start-up and memory can be set beside what the engine alone costs.
//
//   zv-bareview URL
//
// Once the top page has loaded it prints "zv-bareview loaded URL" on stdout and stays open
// until it is ended; a failed load prints "zv-bareview failed URL" and ends with 1. A bad
// command line ends with 2.
#include <QApplication>
#include <QUrl>
#include <QWebEngineView>

#include <cstdio>

namespace
{

// About the size of the program's main window as it opens (15500 × 10400 twips).
constexpr int ViewWidth = 1033;
constexpr int ViewHeight = 693;

void announce(const char* what, const QUrl& url)
{
    std::printf("zv-bareview %s %s\n", what, qPrintable(url.toString()));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    // As the program does: the engine shares its GL contexts with the widgets.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QUrl url(args.value(1));
    if (args.size() != 2 || !url.isValid() || url.scheme().isEmpty()) {
        std::fprintf(stderr, "usage: zv-bareview URL\n");
        return 2;
    }

    QWebEngineView view;
    bool announced = false;
    QObject::connect(&view, &QWebEngineView::loadFinished, &app, [&](bool ok) {
        if (announced)
            return;
        announced = true;
        announce(ok ? "loaded" : "failed", url);
        if (!ok)
            QCoreApplication::exit(1);
    });
    view.resize(ViewWidth, ViewHeight);
    view.setUrl(url);
    view.show();
    return app.exec();
}
