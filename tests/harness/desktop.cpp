#include "harness/desktop.h"

#include "harness/managedprocess.h"
#include "harness/windows.h"
#include "harness/xconnection.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>
#include <unistd.h>

namespace harness
{

namespace
{

std::unique_ptr<Desktop>& theInstance()
{
    static std::unique_ptr<Desktop> desktop;
    return desktop;
}

void stopInstance()
{
    if (theInstance())
        theInstance()->stop();
}

QString findTool(const QString& name)
{
    return QStandardPaths::findExecutable(name);
}

} // namespace

const char* toString(WindowManager wm)
{
    switch (wm) {
    case WindowManager::None:
        return "none";
    case WindowManager::Openbox:
        return "openbox";
    case WindowManager::Mutter:
        return "mutter";
    case WindowManager::KWin:
        return "kwin";
    }
    return "?";
}

Desktop& Desktop::instance()
{
    return instance(Options{});
}

Desktop& Desktop::instance(const Options& options)
{
    auto& desktop = theInstance();
    if (!desktop) {
        desktop = std::make_unique<Desktop>(options);
        // Stopped while the application object still exists; exit and fatal signals are
        // covered by the process groups' own clean-up.
        qAddPostRoutine(stopInstance);
        if (!desktop->start())
            ADD_FAILURE() << "headless desktop: " << desktop->error().toStdString();
    }
    return *desktop;
}

Desktop::Desktop(const Options& options) : options_(options)
{
    if (options_.windowManager == WindowManager::Mutter ||
        options_.windowManager == WindowManager::KWin)
        options_.sessionBus = true;
}

Desktop::~Desktop()
{
    stop();
}

bool Desktop::fail(const QString& why)
{
    error_ = why;
    stop();
    return false;
}

bool Desktop::start()
{
    if (started_)
        return true;
    error_.clear();
    dir_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/zv-desktop-XXXXXX"));
    if (!dir_->isValid())
        return fail(QStringLiteral("cannot make a temporary folder: ") + dir_->errorString());
    runtimeDir_ = dir_->filePath(QStringLiteral("run"));
    QDir().mkpath(runtimeDir_);
    QFile::setPermissions(runtimeDir_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QDir().mkpath(dir_->filePath(QStringLiteral("home")));

    if (!startX())
        return false;
    // The session bus comes before the window managers that talk on it.
    if (options_.sessionBus && !startSessionBus())
        return false;
    // The panel is there before the window manager, which takes it in as it starts.
    if (options_.topPanel > 0 && !x_->createTopPanel(options_.topPanel))
        return fail(QStringLiteral("cannot make the top panel"));
    if (options_.windowManager != WindowManager::None && !startWindowManager())
        return false;
    if (options_.topPanel > 0 && !waitForTopPanel())
        return false;
    if (options_.tray && !startTray())
        return false;
    if (options_.sound && !startSound())
        return false;
    started_ = true;
    return true;
}

bool Desktop::startX()
{
    const QString xvfb = findTool(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty())
        return fail(QStringLiteral("Xvfb is not installed (package xvfb)"));
    xvfb_ = std::make_unique<ManagedProcess>(QStringLiteral("Xvfb"),
                                             dir_->filePath(QStringLiteral("xvfb.log")));
    const QString screen =
        QStringLiteral("%1x%2x24").arg(options_.screen.width()).arg(options_.screen.height());
    // -displayfd: the server picks a free display and writes its number once it accepts
    // connections; stdout is the log file.
    if (!xvfb_->start(xvfb,
                      {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                       QStringLiteral("0"), screen, QStringLiteral("-nolisten"),
                       QStringLiteral("tcp"), QStringLiteral("-noreset")},
                      QProcessEnvironment::systemEnvironment()))
        return fail(xvfb_->error());
    static const QRegularExpression number(QStringLiteral("^(\\d+)$"),
                                           QRegularExpression::MultilineOption);
    const bool up = waitUntil(
        [&] {
            const auto m = number.match(QString::fromLatin1(xvfb_->log()));
            if (m.hasMatch())
                display_ = QLatin1Char(':') + m.captured(1);
            return m.hasMatch() || !xvfb_->running();
        },
        15000);
    if (!up || display_.isEmpty())
        return fail(QStringLiteral("Xvfb did not come up:\n") + xvfb_->logTail());
    x_ = std::make_unique<XConnection>(display_);
    if (!x_->ok())
        return fail(QStringLiteral("cannot connect to Xvfb on ") + display_);
    return true;
}

bool Desktop::startWindowManager()
{
    struct Choice {
        const char* tool;
        const char* package;
        QStringList args;
    };
    Choice c;
    const QProcessEnvironment env = environment();
    switch (options_.windowManager) {
    case WindowManager::Mutter:
        c = {
            "mutter",
            "mutter",
            {QStringLiteral("--x11"), QStringLiteral("--replace"), QStringLiteral("--sm-disable")}};
        break;
    case WindowManager::KWin:
        // Compositing, as on a Plasma desktop (here with the software renderer): KWin then
        // builds a window's frame in steps that a program can catch half-done.
        c = {"kwin_x11", "kwin-x11 and breeze", {QStringLiteral("--replace")}};
        break;
    default:
        c = {"openbox", "openbox", {QStringLiteral("--sm-disable")}};
        break;
    }
    const QString name = QString::fromLatin1(c.tool);
    const QString path = findTool(name);
    if (path.isEmpty())
        return fail(QStringLiteral("%1 is not installed (package %2)")
                        .arg(name, QString::fromLatin1(c.package)));
    wm_ = std::make_unique<ManagedProcess>(name, dir_->filePath(name + QStringLiteral(".log")));
    if (!wm_->start(path, c.args, env))
        return fail(wm_->error());
    // Up once it has announced itself and lists the window-manager hints it supports
    // (mutter and KWin set their check window a moment before they manage windows).
    const bool up = waitUntil(
        [&] {
            const QList<quint32> check = x_->property32(x_->root(), "_NET_SUPPORTING_WM_CHECK");
            return (!check.isEmpty() && x_->exists(check.first()) &&
                    !x_->property32(x_->root(), "_NET_SUPPORTED").isEmpty()) ||
                   !wm_->running();
        },
        20000);
    if (!up || !wm_->running())
        return fail(QStringLiteral("%1 did not take the screen:\n").arg(name) + wm_->logTail());
    return true;
}

bool Desktop::waitForTopPanel()
{
    if (options_.windowManager == WindowManager::None)
        return true;
    // The window manager takes the panel's strut off its work area.
    const bool known = waitUntil(
        [&] {
            const QList<quint32> area = x_->property32(x_->root(), "_NET_WORKAREA");
            return area.size() >= 4 && int(area[1]) >= options_.topPanel;
        },
        10000);
    if (!known) {
        QStringList area;
        for (quint32 v : x_->property32(x_->root(), "_NET_WORKAREA"))
            area.append(QString::number(v));
        return fail(QStringLiteral("the window manager did not leave room for the top panel "
                                   "(work area %1)")
                        .arg(area.join(QLatin1Char(','))));
    }
    return true;
}

bool Desktop::startTray()
{
    const QString trayer = findTool(QStringLiteral("trayer"));
    if (trayer.isEmpty())
        return fail(QStringLiteral("trayer is not installed (package trayer)"));
    tray_ = std::make_unique<ManagedProcess>(QStringLiteral("trayer"),
                                             dir_->filePath(QStringLiteral("trayer.log")));
    const QStringList args{QStringLiteral("--edge"),
                           QStringLiteral("bottom"),
                           QStringLiteral("--align"),
                           QStringLiteral("right"),
                           QStringLiteral("--widthtype"),
                           QStringLiteral("request"),
                           QStringLiteral("--height"),
                           QStringLiteral("32"),
                           QStringLiteral("--SetDockType"),
                           QStringLiteral("true"),
                           QStringLiteral("--SetPartialStrut"),
                           QStringLiteral("true"),
                           QStringLiteral("--transparent"),
                           QStringLiteral("false")};
    if (!tray_->start(trayer, args, environment()))
        return fail(tray_->error());
    const bool up = waitUntil([&] { return hasTray() || !tray_->running(); }, 10000);
    if (!up || !tray_->running())
        return fail(QStringLiteral("trayer did not become the system tray:\n") + tray_->logTail());
    return true;
}

bool Desktop::setBusService(const QString& name, const QString& exec)
{
    if (busAddress_.isEmpty())
        return false;
    QFile file(dir_->filePath(QStringLiteral("bus-services/%1.service").arg(name)));
    if (exec.isEmpty()) {
        file.remove();
    } else {
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write("[D-BUS Service]\nName=" + name.toUtf8() + "\nExec=" + exec.toUtf8() + '\n');
        file.close();
    }
    // Read at once, not whenever the bus notices the folder changed.
    const CommandResult r =
        run(QStringLiteral("dbus-send"),
            {QStringLiteral("--print-reply"), QStringLiteral("--dest=org.freedesktop.DBus"),
             QStringLiteral("/org/freedesktop/DBus"),
             QStringLiteral("org.freedesktop.DBus.ReloadConfig")});
    return r.ok();
}

void Desktop::stopTray()
{
    if (tray_)
        tray_->stop();
    tray_.reset();
    waitUntil([&] { return !hasTray(); }, 5000);
}

bool Desktop::startSound()
{
    const QString pulseaudio = findTool(QStringLiteral("pulseaudio"));
    if (pulseaudio.isEmpty())
        return fail(QStringLiteral("pulseaudio is not installed (package pulseaudio)"));
    if (findTool(QStringLiteral("pactl")).isEmpty())
        return fail(QStringLiteral("pactl is not installed (package pulseaudio-utils)"));
    const QString socket = dir_->filePath(QStringLiteral("pulse/native"));
    QDir().mkpath(dir_->filePath(QStringLiteral("pulse")));
    const QString scriptPath = dir_->filePath(QStringLiteral("pulse.pa"));
    QFile script(scriptPath);
    if (!script.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("cannot write ") + scriptPath);
    script.write(QStringLiteral("load-module module-null-sink sink_name=zvnull "
                                "sink_properties=device.description=zvnull\n"
                                "set-default-sink zvnull\n"
                                "load-module module-native-protocol-unix socket=%1 "
                                "auth-anonymous=1\n")
                     .arg(socket)
                     .toLocal8Bit());
    script.close();
    pulse_ = std::make_unique<ManagedProcess>(QStringLiteral("pulseaudio"),
                                              dir_->filePath(QStringLiteral("pulseaudio.log")));
    QProcessEnvironment env = environment();
    env.remove(QStringLiteral("PULSE_SERVER"));
    // As root the daemon insists on a system-wide instance unless told otherwise.
    QStringList args{QStringLiteral("-n"),
                     QStringLiteral("--daemonize=no"),
                     QStringLiteral("--exit-idle-time=-1"),
                     QStringLiteral("--use-pid-file=false"),
                     QStringLiteral("--realtime=false"),
                     QStringLiteral("--high-priority=false"),
                     QStringLiteral("--log-target=stderr"),
                     QStringLiteral("-F"),
                     scriptPath};
    if (geteuid() == 0)
        args.prepend(QStringLiteral("--system=false"));
    if (!pulse_->start(pulseaudio, args, env))
        return fail(pulse_->error());
    pulseServer_ = QStringLiteral("unix:") + socket;
    const bool up = waitUntil(
        [&] {
            return !pulse_->running() ||
                   run(QStringLiteral("pactl"), {QStringLiteral("info")}, 3000).ok();
        },
        15000, 100);
    if (!up || !pulse_->running()) {
        pulseServer_.clear();
        return fail(QStringLiteral("pulseaudio did not come up:\n") + pulse_->logTail());
    }
    if (defaultSink() != QLatin1String("zvnull"))
        return fail(QStringLiteral("pulseaudio's default sink is \"%1\", not the null sink")
                        .arg(defaultSink()));
    return true;
}

bool Desktop::startSessionBus()
{
    const QString daemon = findTool(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty())
        return fail(QStringLiteral("dbus-daemon is not installed (package dbus-daemon)"));
    const QString socket = dir_->filePath(QStringLiteral("bus"));
    // A bus of its own: nothing of the machine's answers on it, and it starts only the services
    // a test gives it (setBusService).
    const QString configPath = dir_->filePath(QStringLiteral("bus.conf"));
    const QString services = dir_->filePath(QStringLiteral("bus-services"));
    QDir().mkpath(services);
    QFile config(configPath);
    if (!config.open(QIODevice::WriteOnly))
        return fail(QStringLiteral("cannot write ") + configPath);
    config.write(
        "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN\"\n"
        " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
        "<busconfig><type>session</type><listen>unix:path=" +
        socket.toUtf8() + "</listen><servicedir>" + services.toUtf8() +
        "</servicedir><auth>EXTERNAL</auth><policy context=\"default\">"
        "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
        "<allow own=\"*\"/></policy></busconfig>\n");
    config.close();
    bus_ = std::make_unique<ManagedProcess>(QStringLiteral("dbus-daemon"),
                                            dir_->filePath(QStringLiteral("dbus.log")));
    if (!bus_->start(daemon,
                     {QStringLiteral("--config-file=") + configPath, QStringLiteral("--nofork"),
                      QStringLiteral("--nopidfile")},
                     environment()))
        return fail(bus_->error());
    const bool up = waitUntil([&] { return QFile::exists(socket) || !bus_->running(); }, 10000);
    if (!up || !bus_->running())
        return fail(QStringLiteral("dbus-daemon did not come up:\n") + bus_->logTail());
    busAddress_ = QStringLiteral("unix:path=") + socket;
    return true;
}

void Desktop::stop()
{
    started_ = false;
    // Children first, the X server last; the connection goes before its server.
    if (bus_)
        bus_->stop();
    busAddress_.clear();
    if (pulse_)
        pulse_->stop();
    if (tray_)
        tray_->stop();
    if (wm_)
        wm_->stop();
    x_.reset();
    if (xvfb_)
        xvfb_->stop();
    pulse_.reset();
    bus_.reset();
    tray_.reset();
    wm_.reset();
    xvfb_.reset();
    pulseServer_.clear();
}

bool Desktop::hasTray() const
{
    return x_ && x_->selectionOwner("_NET_SYSTEM_TRAY_S0") != 0;
}

XConnection& Desktop::x()
{
    if (!x_)
        x_ = std::make_unique<XConnection>(display_);
    return *x_;
}

QProcessEnvironment Desktop::environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name :
         {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "DBUS_SESSION_BUS_ADDRESS",
          "XAUTHORITY", "PULSE_SERVER", "SESSION_MANAGER"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("DISPLAY"), display_);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir_);
    if (dir_) {
        const QString home = dir_->filePath(QStringLiteral("home"));
        env.insert(QStringLiteral("HOME"), home);
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
        env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
        // Without sound, a socket that does not exist: the program must not find a sound
        // server of the machine instead.
        env.insert(QStringLiteral("PULSE_SERVER"),
                   pulseServer_.isEmpty()
                       ? QStringLiteral("unix:") + dir_->filePath(QStringLiteral("no-sound"))
                       : pulseServer_);
    }
    if (!busAddress_.isEmpty())
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress_);
    if (geteuid() == 0)
        env.insert(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    return env;
}

CommandResult Desktop::run(const QString& program, const QStringList& args, int timeoutMs) const
{
    CommandResult result;
    QProcess p;
    QProcessEnvironment env = environment();
    // Tool output is parsed: untranslated, but UTF-8 for captions and typed text.
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    p.setProcessEnvironment(env);
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(program, args);
    if (!p.waitForStarted(5000)) {
        result.err = p.errorString().toLocal8Bit();
        return result;
    }
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(2000);
        result.err = "timed out";
        return result;
    }
    result.out = p.readAllStandardOutput();
    result.err = p.readAllStandardError();
    result.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return result;
}

QList<qint64> Desktop::processIds() const
{
    QList<qint64> pids;
    for (const auto* p : {xvfb_.get(), wm_.get(), tray_.get(), pulse_.get(), bus_.get()}) {
        if (p && p->running())
            pids.append(p->pid());
    }
    return pids;
}

QStringList Desktop::sinkInputs() const
{
    if (!hasSound())
        return {};
    const CommandResult r =
        run(QStringLiteral("pactl"),
            {QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sink-inputs")});
    return QString::fromUtf8(r.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString Desktop::defaultSink() const
{
    if (!hasSound())
        return {};
    const CommandResult r = run(QStringLiteral("pactl"), {QStringLiteral("info")});
    static const QRegularExpression line(QStringLiteral("^Default Sink: (.*)$"),
                                         QRegularExpression::MultilineOption);
    const auto m = line.match(QString::fromUtf8(r.out));
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}

} // namespace harness
