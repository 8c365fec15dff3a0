#include "harness/xconnection.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <xcb/xcb.h>

namespace harness
{

namespace
{
template <typename T> struct FreeReply {
    T* p;
    explicit FreeReply(T* r) : p(r) {}
    ~FreeReply() { std::free(p); }
    T* operator->() const { return p; }
    explicit operator bool() const { return p != nullptr; }
};
} // namespace

XConnection::XConnection(const QString& display)
{
    int screenNumber = 0;
    xcb_connection_t* c = xcb_connect(display.toLocal8Bit().constData(), &screenNumber);
    if (!c || xcb_connection_has_error(c)) {
        if (c)
            xcb_disconnect(c);
        return;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    if (!it.rem) {
        xcb_disconnect(c);
        return;
    }
    conn_ = c;
    root_ = it.data->root;
    screen_ = QSize(it.data->width_in_pixels, it.data->height_in_pixels);
}

XConnection::~XConnection()
{
    if (conn_)
        xcb_disconnect(conn_);
}

quint32 XConnection::atom(const char* name)
{
    if (!conn_)
        return 0;
    FreeReply r(xcb_intern_atom_reply(
        conn_, xcb_intern_atom(conn_, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    return r ? r->atom : 0;
}

QString XConnection::atomName(quint32 a)
{
    if (!conn_ || !a)
        return {};
    FreeReply r(xcb_get_atom_name_reply(conn_, xcb_get_atom_name(conn_, a), nullptr));
    if (!r)
        return {};
    return QString::fromLatin1(xcb_get_atom_name_name(r.p), xcb_get_atom_name_name_length(r.p));
}

QByteArray XConnection::property(quint32 window, const char* name, quint32* type, int* format)
{
    if (!conn_)
        return {};
    FreeReply r(xcb_get_property_reply(
        conn_, xcb_get_property(conn_, 0, window, atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 65536),
        nullptr));
    if (!r || r->type == XCB_NONE)
        return {};
    if (type)
        *type = r->type;
    if (format)
        *format = r->format;
    return QByteArray(static_cast<const char*>(xcb_get_property_value(r.p)),
                      xcb_get_property_value_length(r.p)); // in bytes
}

QList<quint32> XConnection::property32(quint32 window, const char* name)
{
    int format = 0;
    const QByteArray bytes = property(window, name, nullptr, &format);
    QList<quint32> values;
    if (format != 32)
        return values;
    for (qsizetype i = 0; i + 4 <= bytes.size(); i += 4) {
        quint32 v;
        std::memcpy(&v, bytes.constData() + i, 4);
        values.append(v);
    }
    return values;
}

QString XConnection::windowName(quint32 window)
{
    const QByteArray net = property(window, "_NET_WM_NAME");
    if (!net.isEmpty())
        return QString::fromUtf8(net);
    quint32 type = 0;
    const QByteArray wm = property(window, "WM_NAME", &type);
    if (type == atom("UTF8_STRING"))
        return QString::fromUtf8(wm);
    return QString::fromLatin1(wm);
}

QString XConnection::wmClass(quint32 window)
{
    QByteArray bytes = property(window, "WM_CLASS");
    if (bytes.endsWith('\0'))
        bytes.chop(1);
    return QString::fromLatin1(bytes).replace(QLatin1Char('\0'), QLatin1Char(','));
}

quint32 XConnection::createTopPanel(int height)
{
    if (!conn_)
        return 0;
    const xcb_window_t w = xcb_generate_id(conn_);
    const uint32_t values[] = {0x303030u};
    xcb_create_window(conn_, XCB_COPY_FROM_PARENT, w, root_, 0, 0,
                      static_cast<uint16_t>(screen_.width()), static_cast<uint16_t>(height), 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL,
                      values);
    const auto set32 = [&](const char* name, const char* type, std::vector<uint32_t> data) {
        xcb_change_property(conn_, XCB_PROP_MODE_REPLACE, w, atom(name), atom(type), 32,
                            static_cast<uint32_t>(data.size()), data.data());
    };
    set32("_NET_WM_WINDOW_TYPE", "ATOM", {atom("_NET_WM_WINDOW_TYPE_DOCK")});
    const auto h = static_cast<uint32_t>(height);
    const auto right = static_cast<uint32_t>(screen_.width() - 1);
    // left, right, top, bottom, then the start and end of each edge's strut.
    set32("_NET_WM_STRUT_PARTIAL", "CARDINAL", {0, 0, h, 0, 0, 0, 0, 0, 0, right, 0, 0});
    set32("_NET_WM_STRUT", "CARDINAL", {0, 0, h, 0});
    set32("_NET_WM_DESKTOP", "CARDINAL", {0xFFFFFFFFu});
    const char name[] = "zv-panel";
    xcb_change_property(conn_, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        sizeof name - 1, name);
    xcb_map_window(conn_, w);
    xcb_flush(conn_);
    return w;
}

QList<quint32> XConnection::children(quint32 window)
{
    QList<quint32> list;
    if (!conn_)
        return list;
    FreeReply r(xcb_query_tree_reply(conn_, xcb_query_tree(conn_, window), nullptr));
    if (!r)
        return list;
    const xcb_window_t* kids = xcb_query_tree_children(r.p);
    for (int i = 0; i < xcb_query_tree_children_length(r.p); ++i)
        list.append(kids[i]);
    return list;
}

quint32 XConnection::parent(quint32 window)
{
    if (!conn_)
        return 0;
    FreeReply r(xcb_query_tree_reply(conn_, xcb_query_tree(conn_, window), nullptr));
    return r ? r->parent : 0;
}

bool XConnection::exists(quint32 window)
{
    return mapState(window) >= 0;
}

QRect XConnection::rootGeometry(quint32 window)
{
    if (!conn_)
        return {};
    FreeReply g(xcb_get_geometry_reply(conn_, xcb_get_geometry(conn_, window), nullptr));
    if (!g)
        return {};
    FreeReply t(xcb_translate_coordinates_reply(
        conn_, xcb_translate_coordinates(conn_, window, root_, 0, 0), nullptr));
    if (!t)
        return {};
    return QRect(t->dst_x, t->dst_y, g->width, g->height);
}

int XConnection::mapState(quint32 window)
{
    if (!conn_)
        return -1;
    FreeReply r(
        xcb_get_window_attributes_reply(conn_, xcb_get_window_attributes(conn_, window), nullptr));
    return r ? r->map_state : -1;
}

bool XConnection::overrideRedirect(quint32 window)
{
    if (!conn_)
        return false;
    FreeReply r(
        xcb_get_window_attributes_reply(conn_, xcb_get_window_attributes(conn_, window), nullptr));
    return r && r->override_redirect;
}

quint32 XConnection::selectionOwner(const char* selection)
{
    if (!conn_)
        return 0;
    FreeReply r(xcb_get_selection_owner_reply(
        conn_, xcb_get_selection_owner(conn_, atom(selection)), nullptr));
    return r ? r->owner : 0;
}

void XConnection::clientMessage(quint32 target, quint32 window, const char* type, quint32 d0,
                                quint32 d1, quint32 d2, quint32 d3, quint32 d4,
                                bool toRootWithRedirect)
{
    if (!conn_)
        return;
    xcb_client_message_event_t ev;
    std::memset(&ev, 0, sizeof ev);
    ev.response_type = XCB_CLIENT_MESSAGE;
    ev.format = 32;
    ev.window = window;
    ev.type = atom(type);
    ev.data.data32[0] = d0;
    ev.data.data32[1] = d1;
    ev.data.data32[2] = d2;
    ev.data.data32[3] = d3;
    ev.data.data32[4] = d4;
    const uint32_t mask =
        toRootWithRedirect
            ? (XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY)
            : XCB_EVENT_MASK_NO_EVENT;
    xcb_send_event(conn_, 0, target, mask, reinterpret_cast<const char*>(&ev));
    xcb_flush(conn_);
}

quint32 XConnection::ownWindow()
{
    if (!own_ && conn_) {
        own_ = xcb_generate_id(conn_);
        const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(conn_, XCB_COPY_FROM_PARENT, own_, root_, -10, -10, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                          &events);
    }
    return own_;
}

quint32 XConnection::serverTime()
{
    if (!conn_)
        return 0;
    const quint32 w = ownWindow();
    xcb_change_property(conn_, XCB_PROP_MODE_APPEND, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0,
                        nullptr);
    xcb_flush(conn_);
    // Only this window's own events come to this connection.
    while (xcb_generic_event_t* e = xcb_wait_for_event(conn_)) {
        quint32 time = 0;
        if ((e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY)
            time = reinterpret_cast<xcb_property_notify_event_t*>(e)->time;
        std::free(e);
        if (time)
            return time;
    }
    return 0;
}

void XConnection::startupNotification(const QByteArray& message)
{
    if (!conn_)
        return;
    // In pieces of 20 bytes, the terminating NUL included; the first of type _BEGIN.
    const QByteArray bytes = message + '\0';
    const quint32 w = ownWindow();
    for (qsizetype at = 0; at < bytes.size(); at += 20) {
        xcb_client_message_event_t ev;
        std::memset(&ev, 0, sizeof ev);
        ev.response_type = XCB_CLIENT_MESSAGE;
        ev.format = 8;
        ev.window = w;
        ev.type = atom(at == 0 ? "_NET_STARTUP_INFO_BEGIN" : "_NET_STARTUP_INFO");
        std::memcpy(ev.data.data8, bytes.constData() + at,
                    static_cast<size_t>(std::min<qsizetype>(20, bytes.size() - at)));
        xcb_send_event(conn_, 0, root_, XCB_EVENT_MASK_PROPERTY_CHANGE,
                       reinterpret_cast<const char*>(&ev));
    }
    xcb_flush(conn_);
}

void XConnection::flush()
{
    if (conn_)
        xcb_flush(conn_);
}

int XConnection::bindSpareKeys(const QString& text)
{
    if (!conn_)
        return -1;
    const xcb_setup_t* setup = xcb_get_setup(conn_);
    const int first = setup->min_keycode;
    const int count = setup->max_keycode - first + 1;
    FreeReply map(xcb_get_keyboard_mapping_reply(
        conn_, xcb_get_keyboard_mapping(conn_, setup->min_keycode, count), nullptr));
    if (!map)
        return -1;
    const int per = map->keysyms_per_keycode;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map.p);
    auto bound = [&](uint keysym) {
        for (int i = 0; i < count * per; ++i) {
            if (syms[i] == keysym)
                return true;
        }
        return false;
    };
    QList<uint> wanted;
    for (const uint u : text.toUcs4()) {
        if (u > 0x7f && !wanted.contains(u) && !bound(0x1000000u + u))
            wanted.append(u);
    }
    int made = 0;
    for (int k = first + count - 1; k >= first && !wanted.isEmpty(); --k) {
        bool spare = true;
        for (int j = 0; j < per; ++j)
            spare = spare && syms[(k - first) * per + j] == 0;
        if (!spare)
            continue;
        const std::vector<xcb_keysym_t> keysyms(per, 0x1000000u + wanted.takeFirst());
        xcb_change_keyboard_mapping(conn_, 1, static_cast<xcb_keycode_t>(k), per, keysyms.data());
        ++made;
    }
    // A round trip: the server has applied the changes when it answers.
    FreeReply focus(xcb_get_input_focus_reply(conn_, xcb_get_input_focus(conn_), nullptr));
    return wanted.isEmpty() ? made : -1;
}

} // namespace harness
