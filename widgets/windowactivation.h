#pragma once
// Brings a window to the front and gives it the focus on behalf of a start of the program that
// the member just made (a second start, from the menu or the desktop), so that a window manager
// with focus-stealing prevention (mutter, KWin) raises it instead of only marking it as wanting
// attention.
//
// Under X11 the launch's startup id goes on the window as _NET_STARTUP_ID (the window manager then
// activates it with the launch's time, as for a new window of that launch) and the activation is
// asked for with the X server's time of now, which is after the member's last action. Under
// Wayland the launch's activation token goes to the compositor with the request.
#include <QString>

class QWidget;

namespace WindowActivation
{

// window: a shown top-level window. token: the launch's DESKTOP_STARTUP_ID or
// XDG_ACTIVATION_TOKEN, empty when there was none.
void activate(QWidget* window, const QString& token);

} // namespace WindowActivation
