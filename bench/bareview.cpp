// The benchmark's floor: a bare Qt WebEngine window that loads one page and does nothing else,
// so that the program's start-up and memory can be set beside what the engine alone costs.
//
//   zv-bareview URL
//
// Once the top page has loaded it prints "zv-bareview loaded URL" on stdout and stays open
// until it is ended; a failed load prints "zv-bareview failed URL" and ends with 1. A bad
// command line ends with 2. Its steps on the way, for the benchmark's start-up timeline, are
// printed as the program writes its own: "zv-bareview step\t<step>\t<ms since the epoch>\t<its
// thread's processor time in ms>".
#include <QApplication>
#include <QDateTime>
#include <QTimer>
#include <QUrl>
#include <QWebEngineView>

#include <cstdio>
#include <ctime>

namespace
{

// About the size of the program's main window as it opens (15500 × 10400 twips).
constexpr int ViewWidth = 1033;
constexpr int ViewHeight = 693;

void step(const char* name)
{
    timespec cpu{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
    std::printf("zv-bareview step\t%s\t%lld\t%.1f\n", name,
                static_cast<long long>(QDateTime::currentMSecsSinceEpoch()),
                cpu.tv_sec * 1000.0 + cpu.tv_nsec / 1e6);
    std::fflush(stdout);
}

void announce(const char* what, const QUrl& url)
{
    std::printf("zv-bareview %s %s\n", what, qPrintable(url.toString()));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    step("main");
    // As the program does: the engine shares its GL contexts with the widgets.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    step("application");
    const QStringList args = app.arguments();
    const QUrl url(args.value(1));
    if (args.size() != 2 || !url.isValid() || url.scheme().isEmpty()) {
        std::fprintf(stderr, "usage: zv-bareview URL\n");
        return 2;
    }

    QWebEngineView view;
    step("browser");
    bool announced = false;
    QObject::connect(&view, &QWebEngineView::loadFinished, &app, [&](bool ok) {
        if (announced)
            return;
        announced = true;
        step("loaded");
        announce(ok ? "loaded" : "failed", url);
        if (!ok)
            QCoreApplication::exit(1);
    });
    QObject::connect(&view, &QWebEngineView::loadStarted, &app, [] { step("load started"); });
    view.resize(ViewWidth, ViewHeight);
    view.setUrl(url);
    step("request");
    view.show();
    step("shown");
    QTimer::singleShot(0, &app, [] { step("event loop"); });
    return app.exec();
}
