#pragma once
// The X server the program's windows are on, where Qt runs on X11 (xcb): Qt's own connection and
// the atoms the program uses there. Outside X11 (Wayland, offscreen) there is no connection.
#ifdef ZV_HAVE_XCB
#include <xcb/xcb.h>

namespace X11
{

// Qt's connection; null outside X11.
xcb_connection_t* connection();
// The root window of the display's default screen, and that screen's number.
xcb_window_t root();
int screenNumber();
// The atom of a name (made when missing); XCB_ATOM_NONE without a connection. The server is asked
// once per name.
xcb_atom_t atom(const char* name);
// A client message about window w to the root window, as the window manager takes requests
// (_NET_ACTIVE_WINDOW, _NET_REQUEST_FRAME_EXTENTS...), sent at once.
void sendToRoot(xcb_window_t w, xcb_atom_t type, const uint32_t (&data)[5]);

} // namespace X11
#endif
