// Entry point: Main. One copy per member; the chosen server line comes from the member's
// config.ini; the main window does the rest and ends the program.
#include "mainwindow/form1.h"
#include "startup/appstate.h"
#include "startup/onecopy.h"
#include "startup/settings.h"
#include "startup/terminationsignals.h"
#include "startup/trace.h"
#include "startup/uilanguage.h"
#include "startup/vbnumber.h"
#include "widgets/messagebox.h"

#include <QApplication>
#include <QNetworkProxyFactory>
#include <QTimer>
#include <cstdlib>

namespace
{

// Under Wayland the program runs through XWayland when it is there: window placement, always-on-
// top popups and the tray behave as designed only under X11. Only for this process, and only
// when nobody chose a platform explicitly.
void preferXcbOnWayland()
{
    const auto set = [](const char* name) {
        const char* v = std::getenv(name);
        return v && *v;
    };
    if (!set("QT_QPA_PLATFORM") && set("WAYLAND_DISPLAY") && set("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
}

// How long a second start waits for the running copy to show itself before it says its message.
constexpr int kTellWaitMs = 3000;

// The stored line index, or line 0 when it is missing, not a number or not one of the four.
qint16 storedLine()
{
    const std::optional<qint16> line = VbNumber::toInt16(ReadIni(Setting::xianlu));
    if (!line || *line < 0 || *line > 3)
        return 0;
    return *line;
}

} // namespace

int main(int argc, char* argv[])
{
    Trace::step("main");
    preferXcbOnWayland();
    // Read before the window system takes it out of the environment.
    const QString launchToken = SecondStart::launchToken();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    // The program takes no arguments, and Qt gets none either: its own options (-platform,
    // -stylesheet, -session...) are not for the member's command line.
    char fallbackName[] = "zvkb";
    char* qtArgv[] = {argc > 0 && argv[0] ? argv[0] : fallbackName, nullptr};
    int qtArgc = 1;
    QApplication app(qtArgc, qtArgv);
    // A logout, a shutdown or a kill ends the program as the end of the desktop session does: the
    // main window closes by program and its unload ends everything (tray icon, engine helpers).
    // Routed before anything else, so that a request in the first moments is not the default
    // action's sudden death. One that comes before the main window is there waits for it: there
    // is nothing to unload before it, and it is closed as soon as it shows.
    Form1* form1 = nullptr;
    bool endRequested = false;
    TerminationSignals endRequests;
    QObject::connect(&endRequests, &TerminationSignals::received, &app, [&] {
        endRequested = true;
        if (form1)
            form1->close();
        else
            QApplication::closeAllWindows(); // the start's message box, when one is open
    });
    UiLanguage::install(app);
    // The browser engine and the page fetch follow the desktop's proxy, by one rule set before
    // the first request; on Windows the system's. On Linux each reads it its own way (the engine
    // itself, the fetch through libproxy): both follow the environment's lowercase http_proxy
    // and no_proxy; the README's Proxies section says where they part and what joins them.
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    // The main window hides itself into the tray; the program ends only when it says so.
    app.setQuitOnLastWindowClosed(false);
    Trace::step("application");
    // Where this member's settings and temporary files live is decided here, once: beside the
    // program when its folder is the member's to write, else in the member's own folders.
    Member();
    Trace::step("folders");

    OneCopy copy;
    if (!copy.claim(launchToken, kTellWaitMs)) {
        // The running copy shows its window (on a desktop without a tray that is the only way
        // back to it); this one says so and ends, as it always has.
        MessageBox::show(nullptr, QStringLiteral("程序已经运行！在右下角，系统托盘区！"),
                         QStringLiteral("提醒"), MessageBox::Icon::Critical,
                         MessageBox::Buttons::Ok);
        return 0;
    }

    mod_Main::fillServerLines();
    mod_Main::CurLine = storedLine();
    Trace::step("settings");

    // The main window owns everything else. It is never deleted: every way out (its unload, the
    // tray menu, the running-time limit) ends the process at once through ProcessEnd, so exec()
    // does not return.
    form1 = new Form1;
    QObject::connect(copy.secondStarts(), &SecondStartListener::activationRequested, form1,
                     &Form1::showFromSecondStart);
    form1->show();
    Trace::step("shown");
    if (endRequested)
        form1->close();
    if (Trace::enabled())
        QTimer::singleShot(0, &app, [] { Trace::step("event loop"); });
    return app.exec();
}
