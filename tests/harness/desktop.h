#pragma once
// A private headless desktop for the end-to-end tests: an X server (Xvfb), a window manager
// (openbox by default; GNOME's mutter or KDE's KWin on request), a tray host (trayer) and a sound
// server (PulseAudio) whose default sink is a null sink, all in a private runtime folder. Every
// process it starts runs in its own process group and dies with the test program, pass or fail.
#include <QByteArray>
#include <QList>
#include <QProcessEnvironment>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace harness
{

class ManagedProcess;
class XConnection;

// What a helper command printed and how it ended.
struct CommandResult {
    int exitCode = -1; // -1: could not start or timed out
    QByteArray out;
    QByteArray err;
    bool ok() const { return exitCode == 0; }
};

// The window managers the desktop can run. Mutter and KWin decorate windows with taller title
// bars than openbox and keep windows inside the work area; both run on the private session bus.
enum class WindowManager { None, Openbox, Mutter, KWin };
const char* toString(WindowManager wm);

struct DesktopOptions {
    bool tray = true;  // start trayer and wait for the system tray selection owner
    bool sound = true; // start PulseAudio with a null sink as the default sink
    WindowManager windowManager = WindowManager::Openbox;
    // A private D-Bus session bus (no service activation): StatusNotifier trays live on it.
    // Always there under mutter and KWin.
    bool sessionBus = false;
    QSize screen{1280, 800};
    int topPanel = 0; // height of a panel along the top edge (a dock with a strut); 0: none
};

class Desktop
{
public:
    using Options = DesktopOptions;

    // The desktop of this test program, started on first use with the options of that first
    // call and stopped when the program exits. Fails the calling test (ADD_FAILURE) and returns
    // a desktop with started() == false when something would not come up.
    static Desktop& instance(const Options& options);
    static Desktop& instance();

    explicit Desktop(const Options& options);
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    // Brings everything up; on failure stops what was started and returns false with
    // the reason in error().
    bool start();
    void stop(); // idempotent
    bool started() const { return started_; }
    QString error() const { return error_; }
    const Options& options() const { return options_; }

    QString display() const { return display_; }         // ":N"
    QString runtimeDir() const { return runtimeDir_; }   // private XDG_RUNTIME_DIR
    QString pulseServer() const { return pulseServer_; } // "unix:<dir>/native", empty: no sound
    QString sessionBus() const { return busAddress_; }   // "unix:path=<dir>/bus", empty: none
    bool hasTray() const; // a system tray selection owner (_NET_SYSTEM_TRAY_S0) is present
    bool hasSound() const { return !pulseServer_.isEmpty(); }

    // The environment for children: this process's environment with DISPLAY, XDG_RUNTIME_DIR,
    // PULSE_SERVER (or none when without sound), DBUS_SESSION_BUS_ADDRESS (only for the private
    // bus), QTWEBENGINE_DISABLE_SANDBOX when root, and without QT_QPA_PLATFORM / WAYLAND_DISPLAY.
    QProcessEnvironment environment() const;

    // Runs a helper program (xdotool, xprop, pactl...) in this desktop's environment and waits
    // for it, at most timeoutMs.
    CommandResult run(const QString& program, const QStringList& args, int timeoutMs = 10000) const;

    // Process ids of the helper processes (Xvfb, openbox, trayer, pulseaudio, dbus-daemon) now
    // running.
    QList<qint64> processIds() const;

    // Sound: "pactl list short sink-inputs" lines (one per stream now playing) and the name
    // of the default sink.
    QStringList sinkInputs() const;
    QString defaultSink() const;

    // A connection to this desktop's X server for the window functions.
    XConnection& x();

    // A service the private session bus starts when something calls `name` (D-Bus activation),
    // by running `exec` in the bus's environment (this desktop's); an empty exec takes it away.
    bool setBusService(const QString& name, const QString& exec);

    // The tray host goes (as a panel that crashed) and comes (back, or late at login).
    void stopTray();
    bool startTray();

private:
    bool startX();
    bool startWindowManager();
    bool waitForTopPanel();
    bool startSound();
    bool startSessionBus();
    bool fail(const QString& why);

    Options options_;
    bool started_ = false;
    QString error_;
    QString display_;
    QString runtimeDir_;
    QString pulseServer_;
    QString busAddress_;
    std::unique_ptr<ManagedProcess> xvfb_;
    std::unique_ptr<ManagedProcess> wm_;
    std::unique_ptr<ManagedProcess> tray_;
    std::unique_ptr<ManagedProcess> pulse_;
    std::unique_ptr<ManagedProcess> bus_;
    std::unique_ptr<XConnection> x_;
    std::unique_ptr<QTemporaryDir> dir_;
};

} // namespace harness
