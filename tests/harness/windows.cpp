#include "harness/windows.h"

#include "harness/desktop.h"
#include "harness/xconnection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

namespace harness
{

namespace
{

Desktop* g_desktop = nullptr;

XConnection& xc()
{
    return desktop().x();
}

QString hex(WindowId id)
{
    return QStringLiteral("0x") + QString::number(id, 16);
}

bool hasWmState(XConnection& x, quint32 w)
{
    return !x.property(w, "WM_STATE").isEmpty();
}

// The client window inside a window manager frame (depth-first, a few levels deep).
quint32 clientIn(XConnection& x, quint32 w, int depth)
{
    if (hasWmState(x, w))
        return w;
    if (depth == 0)
        return 0;
    for (quint32 c : x.children(w)) {
        if (quint32 found = clientIn(x, c, depth - 1))
            return found;
    }
    return 0;
}

// Every top-level window a program owns: managed clients inside their frames, and windows
// directly under the root (unmanaged, withdrawn, override-redirect).
QList<quint32> topLevels(XConnection& x)
{
    QList<quint32> list;
    for (quint32 t : x.children(x.root())) {
        const quint32 client = clientIn(x, t, 3);
        if (client)
            list.append(client);
        else if (!x.windowName(t).isEmpty() || !x.property(t, "_NET_WM_PID").isEmpty())
            list.append(t);
    }
    return list;
}

quint32 frameOf(XConnection& x, quint32 w)
{
    quint32 current = w;
    for (int i = 0; i < 10; ++i) {
        const quint32 p = x.parent(current);
        if (p == 0 || p == x.root())
            return current;
        current = p;
    }
    return current;
}

CommandResult tool(const QString& program, const QStringList& args, int timeoutMs = 10000)
{
    return desktop().run(program, args, timeoutMs);
}

bool toolOk(const QString& program, const QStringList& args)
{
    const CommandResult r = tool(program, args);
    if (!r.ok())
        ADD_FAILURE() << program.toStdString() << " " << args.join(QLatin1Char(' ')).toStdString()
                      << " failed: " << r.err.toStdString();
    return r.ok();
}

bool hasWindowManager()
{
    XConnection& x = xc();
    const QList<quint32> check = x.property32(x.root(), "_NET_SUPPORTING_WM_CHECK");
    return !check.isEmpty() && x.exists(check.first());
}

} // namespace

const char* toString(WindowState state)
{
    switch (state) {
    case WindowState::Hidden:
        return "hidden";
    case WindowState::Minimised:
        return "minimised";
    case WindowState::Normal:
        return "normal";
    case WindowState::Maximised:
        return "maximised";
    case WindowState::Unknown:
        break;
    }
    return "unknown";
}

void setDesktop(Desktop* d)
{
    g_desktop = d;
}

Desktop& desktop()
{
    return g_desktop ? *g_desktop : Desktop::instance();
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs, int stepMs)
{
    QElapsedTimer t;
    t.start();
    for (;;) {
        if (condition())
            return true;
        if (t.elapsed() >= timeoutMs)
            return false;
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents, stepMs);
        QThread::msleep(static_cast<unsigned long>(stepMs));
    }
}

QList<WindowId> findWindows(const QString& caption, qint64 pid)
{
    XConnection& x = xc();
    QList<WindowId> found;
    for (quint32 w : topLevels(x)) {
        if (x.windowName(w) == caption && (pid == 0 || windowPid(w) == pid))
            found.append(w);
    }
    return found;
}

QList<WindowId> windowsOf(qint64 pid, bool mappedOnly)
{
    XConnection& x = xc();
    QList<WindowId> found;
    for (quint32 w : topLevels(x)) {
        if (windowPid(w) == pid && (!mappedOnly || x.mapState(w) == 2))
            found.append(w);
    }
    return found;
}

QString describeWindows()
{
    XConnection& x = xc();
    QStringList lines;
    for (quint32 w : topLevels(x)) {
        const QRect r = x.rootGeometry(w);
        lines.append(
            QStringLiteral("  %1 pid %2 %3 %4x%5+%6+%7 \"%8\"")
                .arg(hex(w))
                .arg(windowPid(w))
                .arg(x.mapState(w) == 2 ? QStringLiteral("mapped") : QStringLiteral("unmapped"))
                .arg(r.width())
                .arg(r.height())
                .arg(r.x())
                .arg(r.y())
                .arg(x.windowName(w)));
    }
    return lines.isEmpty() ? QStringLiteral("  (no windows)") : lines.join(QLatin1Char('\n'));
}

WindowId waitForWindow(const QString& caption, int timeoutMs, qint64 pid)
{
    WindowId id = 0;
    const bool ok = waitUntil(
        [&] {
            for (WindowId w : findWindows(caption, pid)) {
                if (isMapped(w)) {
                    id = w;
                    return true;
                }
            }
            return false;
        },
        timeoutMs, 100);
    if (!ok)
        ADD_FAILURE() << "no window \"" << caption.toStdString() << "\""
                      << (pid ? " of pid " + std::to_string(pid) : std::string()) << " within "
                      << timeoutMs << " ms; windows now:\n"
                      << describeWindows().toStdString();
    return id;
}

bool waitForNoWindow(const QString& caption, int timeoutMs, qint64 pid)
{
    const bool ok = waitUntil(
        [&] {
            for (WindowId w : findWindows(caption, pid)) {
                if (isMapped(w))
                    return false;
            }
            return true;
        },
        timeoutMs, 100);
    if (!ok)
        ADD_FAILURE() << "window \"" << caption.toStdString() << "\" still shown after "
                      << timeoutMs << " ms; windows now:\n"
                      << describeWindows().toStdString();
    return ok;
}

QString caption(WindowId id)
{
    return xc().windowName(static_cast<quint32>(id));
}

qint64 windowPid(WindowId id)
{
    const QList<quint32> v = xc().property32(static_cast<quint32>(id), "_NET_WM_PID");
    return v.isEmpty() ? 0 : v.first();
}

bool exists(WindowId id)
{
    return xc().exists(static_cast<quint32>(id));
}

WindowGeometry geometry(WindowId id)
{
    XConnection& x = xc();
    const auto w = static_cast<quint32>(id);
    WindowGeometry g;
    g.client = x.rootGeometry(w);
    // What the member sees of the frame is what the window manager says it drew
    // (_NET_FRAME_EXTENTS: left, right, top, bottom); the frame window itself may be larger
    // (mutter's holds invisible resize borders).
    const QList<quint32> extents = x.property32(w, "_NET_FRAME_EXTENTS");
    if (extents.size() == 4 && !g.client.isEmpty()) {
        g.outer =
            g.client.adjusted(-int(extents[0]), -int(extents[2]), int(extents[1]), int(extents[3]));
        return g;
    }
    g.outer = x.rootGeometry(frameOf(x, w));
    if (g.outer.isEmpty())
        g.outer = g.client;
    return g;
}

bool isMapped(WindowId id)
{
    return xc().mapState(static_cast<quint32>(id)) == 2;
}

QStringList netWmState(WindowId id)
{
    XConnection& x = xc();
    QStringList names;
    for (quint32 a : x.property32(static_cast<quint32>(id), "_NET_WM_STATE"))
        names.append(x.atomName(a));
    return names;
}

WindowState windowState(WindowId id)
{
    XConnection& x = xc();
    const auto w = static_cast<quint32>(id);
    const int map = x.mapState(w);
    if (map < 0)
        return WindowState::Unknown;
    const QStringList states = netWmState(id);
    const QList<quint32> wmState = x.property32(w, "WM_STATE");
    if (states.contains(QLatin1String("_NET_WM_STATE_HIDDEN")) ||
        (!wmState.isEmpty() && wmState.first() == 3))
        return WindowState::Minimised;
    if (map != 2)
        return WindowState::Hidden;
    if (states.contains(QLatin1String("_NET_WM_STATE_MAXIMIZED_VERT")) &&
        states.contains(QLatin1String("_NET_WM_STATE_MAXIMIZED_HORZ")))
        return WindowState::Maximised;
    return WindowState::Normal;
}

bool isVisible(WindowId id)
{
    return isMapped(id) && windowState(id) != WindowState::Minimised;
}

bool isOverrideRedirect(WindowId id)
{
    XConnection& x = xc();
    const auto w = static_cast<quint32>(id);
    return x.overrideRedirect(w) || x.overrideRedirect(frameOf(x, w));
}

bool isAbove(WindowId id)
{
    return isOverrideRedirect(id) || netWmState(id).contains(QLatin1String("_NET_WM_STATE_ABOVE"));
}

QString windowClass(WindowId id)
{
    return xc().wmClass(static_cast<quint32>(id));
}

WindowId activeWindow()
{
    XConnection& x = xc();
    const QList<quint32> v = x.property32(x.root(), "_NET_ACTIVE_WINDOW");
    return v.isEmpty() ? 0 : v.first();
}

bool activate(WindowId id)
{
    if (!hasWindowManager())
        return toolOk(QStringLiteral("xdotool"),
                      {QStringLiteral("windowfocus"), QStringLiteral("--sync"), hex(id)});
    XConnection& x = xc();
    // Source 2: asked for by the user (a pager), which window managers honour.
    x.clientMessage(x.root(), static_cast<quint32>(id), "_NET_ACTIVE_WINDOW", 2, 0, 0);
    const bool ok = waitUntil([&] { return activeWindow() == id; }, 3000);
    if (!ok)
        ADD_FAILURE() << "window " << hex(id).toStdString() << " did not become active; active is "
                      << hex(activeWindow()).toStdString();
    return ok;
}

// No --sync on the move: xdotool waits forever when the pointer is already there.
bool click(WindowId id, int x, int y, int button)
{
    const QRect r = xc().rootGeometry(static_cast<quint32>(id));
    if (r.isEmpty()) {
        ADD_FAILURE() << "cannot click window " << hex(id).toStdString() << ": it is gone";
        return false;
    }
    return toolOk(QStringLiteral("xdotool"),
                  {QStringLiteral("mousemove"), QString::number(r.x() + x),
                   QString::number(r.y() + y), QStringLiteral("click"), QString::number(button)});
}

bool doubleClick(WindowId id, int x, int y)
{
    const QRect r = xc().rootGeometry(static_cast<quint32>(id));
    if (r.isEmpty()) {
        ADD_FAILURE() << "cannot click window " << hex(id).toStdString() << ": it is gone";
        return false;
    }
    return toolOk(QStringLiteral("xdotool"),
                  {QStringLiteral("mousemove"), QString::number(r.x() + x),
                   QString::number(r.y() + y), QStringLiteral("click"), QStringLiteral("--repeat"),
                   QStringLiteral("2"), QStringLiteral("--delay"), QStringLiteral("80"),
                   QStringLiteral("1")});
}

bool key(WindowId id, const QString& keys)
{
    if (id != 0 && activeWindow() != id && !activate(id))
        return false;
    QStringList args{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("40")};
    args += keys.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return toolOk(QStringLiteral("xdotool"), args);
}

bool typeText(WindowId id, const QString& text)
{
    if (id != 0 && activeWindow() != id && !activate(id))
        return false;
    // Characters outside ASCII get keys of their own first; the clients read a changed key map
    // when it is announced to them, a moment later.
    const int bound = xc().bindSpareKeys(text);
    if (bound < 0)
        return false;
    if (bound > 0)
        waitUntil([] { return false; }, 500);
    return toolOk(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("--delay"),
                                              QStringLiteral("30"), QStringLiteral("--"), text});
}

bool closeWindow(WindowId id)
{
    if (hasWindowManager() && !QStandardPaths::findExecutable(QStringLiteral("wmctrl")).isEmpty())
        return toolOk(QStringLiteral("wmctrl"), {QStringLiteral("-ic"), hex(id)});
    // No window manager: the message its close box would send.
    XConnection& x = xc();
    x.clientMessage(static_cast<quint32>(id), static_cast<quint32>(id), "WM_PROTOCOLS",
                    x.atom("WM_DELETE_WINDOW"), 0, 0, 0, 0, false);
    return true;
}

bool minimise(WindowId id)
{
    return toolOk(QStringLiteral("xdotool"), {QStringLiteral("windowminimize"), hex(id)});
}

bool screenshot(const QString& pngPath, WindowId id)
{
    QStringList args{QStringLiteral("-window"), QStringLiteral("root")};
    if (id != 0) {
        const QRect r = geometry(id).outer;
        if (r.isEmpty()) {
            ADD_FAILURE() << "no screenshot of window " << hex(id).toStdString() << ": it is gone";
            return false;
        }
        args += {QStringLiteral("-crop"),
                 QStringLiteral("%1x%2+%3+%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y()),
                 QStringLiteral("+repage")};
    }
    args.append(QStringLiteral("png:") + pngPath);
    const CommandResult r = tool(QStringLiteral("import"), args, 20000);
    if (!r.ok() || QFileInfo(pngPath).size() == 0) {
        ADD_FAILURE() << "screenshot to " << pngPath.toStdString()
                      << " failed: " << r.err.toStdString();
        return false;
    }
    return true;
}

QList<WindowId> trayIcons()
{
    XConnection& x = xc();
    QList<WindowId> icons;
    // The tray host's panel holds the docked icon windows, which keep their owner's class.
    for (quint32 t : x.children(x.root())) {
        const quint32 panel = clientIn(x, t, 3);
        if (!panel || !x.wmClass(panel).contains(QLatin1String("trayer"), Qt::CaseInsensitive))
            continue;
        QList<quint32> frontier = x.children(panel);
        while (!frontier.isEmpty()) {
            const quint32 w = frontier.takeFirst();
            const QString cls = x.wmClass(w);
            if (!cls.isEmpty() && !cls.contains(QLatin1String("trayer"), Qt::CaseInsensitive))
                icons.append(w);
            else
                frontier += x.children(w);
        }
    }
    return icons;
}

WindowId waitForTrayIcon(qint64 pid, int timeoutMs)
{
    WindowId id = 0;
    const bool ok = waitUntil(
        [&] {
            for (WindowId w : trayIcons()) {
                if (isMapped(w) && (pid == 0 || windowPid(w) == pid)) {
                    id = w;
                    return true;
                }
            }
            return false;
        },
        timeoutMs, 100);
    if (!ok)
        ADD_FAILURE() << "no tray icon" << (pid ? " of pid " + std::to_string(pid) : std::string())
                      << " within " << timeoutMs << " ms (tray "
                      << (desktop().hasTray() ? "present" : "absent") << ", " << trayIcons().size()
                      << " icons)";
    return id;
}

bool clickTrayIcon(WindowId icon, int button)
{
    const QRect r = xc().rootGeometry(static_cast<quint32>(icon));
    return click(icon, r.width() / 2, r.height() / 2, button);
}

bool doubleClickTrayIcon(WindowId icon)
{
    const QRect r = xc().rootGeometry(static_cast<quint32>(icon));
    return doubleClick(icon, r.width() / 2, r.height() / 2);
}

WindowId waitForPopupMenu(qint64 pid, int timeoutMs)
{
    WindowId id = 0;
    const bool ok = waitUntil(
        [&] {
            XConnection& x = xc();
            for (quint32 t : x.children(x.root())) {
                if (x.mapState(t) != 2 || !x.overrideRedirect(t) ||
                    (pid != 0 && windowPid(t) != pid))
                    continue;
                // Qt marks a tray icon's menu as a normal window; leave out only tooltips,
                // notifications and tiny helper windows.
                bool other = false;
                for (quint32 a : x.property32(t, "_NET_WM_WINDOW_TYPE")) {
                    const QString name = x.atomName(a);
                    other = other || name == QLatin1String("_NET_WM_WINDOW_TYPE_TOOLTIP") ||
                            name == QLatin1String("_NET_WM_WINDOW_TYPE_NOTIFICATION");
                }
                const QRect r = x.rootGeometry(t);
                if (!other && r.width() > 10 && r.height() > 10) {
                    id = t;
                    return true;
                }
            }
            return false;
        },
        timeoutMs, 50);
    if (!ok)
        ADD_FAILURE() << "no popup menu" << (pid ? " of pid " + std::to_string(pid) : std::string())
                      << " within " << timeoutMs << " ms";
    return id;
}

bool chooseMenuItemByKeys(int index)
{
    QStringList keys;
    for (int i = 0; i <= index; ++i)
        keys.append(QStringLiteral("Down"));
    keys.append(QStringLiteral("Return"));
    return key(0, keys.join(QLatin1Char(' ')));
}

bool clickMenuAt(WindowId menu, int x, int y)
{
    return click(menu, x, y, 1);
}

} // namespace harness
