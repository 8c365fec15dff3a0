#include "widgets/x11.h"

#ifdef ZV_HAVE_XCB
#include <QByteArray>
#include <QGuiApplication>
#include <QHash>
#include <cstdlib>
#include <memory>

namespace X11
{

xcb_connection_t* connection()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

int screenNumber()
{
    // DISPLAY is host:display.screen; without a screen part it is screen 0.
    const QByteArray display = qgetenv("DISPLAY");
    const qsizetype colon = display.lastIndexOf(':');
    const qsizetype dot = display.indexOf('.', colon < 0 ? 0 : colon);
    return dot < 0 ? 0 : display.mid(dot + 1).toInt();
}

xcb_window_t root()
{
    xcb_connection_t* c = connection();
    if (!c)
        return xcb_window_t(XCB_WINDOW_NONE);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = screenNumber(); i > 0 && it.rem > 1; --i)
        xcb_screen_next(&it);
    return it.data ? it.data->root : xcb_window_t(XCB_WINDOW_NONE);
}

xcb_atom_t atom(const char* name)
{
    static QHash<QByteArray, xcb_atom_t> atoms;
    xcb_connection_t* c = connection();
    if (!c)
        return XCB_ATOM_NONE;
    const QByteArray key(name);
    const auto known = atoms.constFind(key);
    if (known != atoms.constEnd())
        return *known;
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> r(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(key.size()), name),
                              nullptr),
        &std::free);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    if (a != XCB_ATOM_NONE)
        atoms.insert(key, a);
    return a;
}

void sendToRoot(xcb_window_t w, xcb_atom_t type, const uint32_t (&data)[5])
{
    xcb_connection_t* c = connection();
    if (!c)
        return;
    xcb_client_message_event_t m{};
    m.response_type = XCB_CLIENT_MESSAGE;
    m.format = 32;
    m.window = w;
    m.type = type;
    for (int i = 0; i < 5; ++i)
        m.data.data32[i] = data[i];
    xcb_send_event(c, 0, root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&m));
    xcb_flush(c);
}

} // namespace X11
#endif
