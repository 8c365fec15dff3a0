#pragma once
// Looking at and driving the windows of the harness desktop (xdotool, xwininfo, xprop, wmctrl).
// Every wait is bounded; a wait that runs out fails the calling test (ADD_FAILURE) with what
// was seen instead, and returns 0 / false.
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>

namespace harness
{

class Desktop;

using WindowId = quint64;

struct WindowGeometry {
    QRect outer;  // with the frame the window manager drew around it, screen coordinates
    QRect client; // the window's own area, screen coordinates
};

enum class WindowState { Unknown, Hidden, Minimised, Normal, Maximised };
const char* toString(WindowState state);

// Top-level windows whose caption (_NET_WM_NAME, else WM_NAME) is exactly `caption`,
// optionally only those of process `pid`. Unmapped windows included.
QList<WindowId> findWindows(const QString& caption, qint64 pid = 0);
// Every top-level client window of `pid` (with or without caption), e.g. popup menus.
QList<WindowId> windowsOf(qint64 pid, bool mappedOnly = true);

// Waits for a mapped window with that caption; 0 on timeout.
WindowId waitForWindow(const QString& caption, int timeoutMs = 10000, qint64 pid = 0);
// Waits until no mapped window has that caption.
bool waitForNoWindow(const QString& caption, int timeoutMs = 10000, qint64 pid = 0);

// One line per top-level window (id, pid, map state, caption), for failure messages.
QString describeWindows();

QString caption(WindowId id);
qint64 windowPid(WindowId id); // _NET_WM_PID, 0 when unknown
bool exists(WindowId id);
WindowGeometry geometry(WindowId id);
bool isMapped(WindowId id);  // mapped (viewable), whatever the window manager made of it
bool isVisible(WindowId id); // viewable on screen and not minimised
WindowState windowState(WindowId id);
bool isAbove(WindowId id); // _NET_WM_STATE_ABOVE or override-redirect
bool isOverrideRedirect(WindowId id);
QString windowClass(WindowId id);    // WM_CLASS instance and class, "name,Class"
QStringList netWmState(WindowId id); // atoms of _NET_WM_STATE
WindowId activeWindow();

bool activate(WindowId id);
// Click relative to the window's client area; button 1 left, 2 middle, 3 right.
bool click(WindowId id, int x, int y, int button = 1);
bool doubleClick(WindowId id, int x, int y);
// Key names as xdotool knows them ("Return", "Escape", "alt+F4", "Down").
bool key(WindowId id, const QString& keys);
// Types text; characters outside ASCII are bound to spare keys first.
bool typeText(WindowId id, const QString& text);
// Asks the window to close as its close box does (WM_DELETE_WINDOW).
bool closeWindow(WindowId id);
bool minimise(WindowId id);

// PNG of one window (0: the whole screen).
bool screenshot(const QString& pngPath, WindowId id = 0);

// Polls `condition` every 50 ms (processing Qt events) until true or timeoutMs ran out.
bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 10000, int stepMs = 50);

// The tray. The icon window a program docked into the tray host (0: none within timeout).
WindowId waitForTrayIcon(qint64 pid = 0, int timeoutMs = 10000);
QList<WindowId> trayIcons();
bool clickTrayIcon(WindowId icon, int button = 1);
bool doubleClickTrayIcon(WindowId icon);
// The popup menu (override-redirect window) of `pid` that is now open; 0 when none shows.
WindowId waitForPopupMenu(qint64 pid, int timeoutMs = 5000);
// Picks the index-th enabled item of the open menu by keyboard (Down index+1 times, Return).
bool chooseMenuItemByKeys(int index);
// Clicks at a point of the menu window, relative to its top-left corner.
bool clickMenuAt(WindowId menu, int x, int y);

// The desktop these functions use: Desktop::instance() unless set.
void setDesktop(Desktop* desktop);
Desktop& desktop();

} // namespace harness
