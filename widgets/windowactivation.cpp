#include "widgets/windowactivation.h"

#include <QGuiApplication>
#include <QWidget>

#ifdef ZV_HAVE_XCB
#include "widgets/x11.h"

#include <cstdlib>
#endif

namespace WindowActivation
{

namespace
{

#ifdef ZV_HAVE_XCB
// The X server's time of now: the time of a property change on a window of a connection of our
// own (Qt's own connection reads its events itself).
xcb_timestamp_t serverTimeNow()
{
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    xcb_timestamp_t time = XCB_CURRENT_TIME;
    if (!xcb_connection_has_error(c)) {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
        const xcb_window_t w = xcb_generate_id(c);
        const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                          &events);
        xcb_change_property(c, XCB_PROP_MODE_APPEND, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0,
                            nullptr);
        xcb_flush(c);
        while (xcb_generic_event_t* e = xcb_wait_for_event(c)) {
            const bool property = (e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY;
            if (property)
                time = reinterpret_cast<xcb_property_notify_event_t*>(e)->time;
            std::free(e);
            if (property)
                break;
        }
    }
    xcb_disconnect(c);
    return time;
}

void activateX11(QWidget* window, const QString& token)
{
    xcb_connection_t* c = X11::connection();
    if (!c)
        return;
    const auto w = static_cast<xcb_window_t>(window->winId());
    if (!token.isEmpty()) {
        const QByteArray id = token.toUtf8();
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, X11::atom("_NET_STARTUP_ID"),
                            X11::atom("UTF8_STRING"), 8, static_cast<uint32_t>(id.size()),
                            id.constData());
    }
    // _NET_ACTIVE_WINDOW from an application (source 1), at the time of now.
    X11::sendToRoot(w, X11::atom("_NET_ACTIVE_WINDOW"), {1, serverTimeNow(), XCB_NONE, 0, 0});
}
#endif

} // namespace

void activate(QWidget* window, const QString& token)
{
    if (!window)
        return;
    window->raise();
#ifdef ZV_HAVE_XCB
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        activateX11(window, token);
        return;
    }
#endif
    // Qt's Wayland windows hand the token in the environment to the compositor with their next
    // activation request.
    if (!token.isEmpty() && QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        qputenv("XDG_ACTIVATION_TOKEN", token.toUtf8());
    window->activateWindow();
}

} // namespace WindowActivation
