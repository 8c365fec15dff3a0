#include "tray/xembedtrayicon.h"

#include <QCoreApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#ifdef ZV_HAVE_XCB
#include "widgets/x11.h"

#include <cstdlib>
#include <memory>
#endif

namespace
{

// The size trays expect first; a tray gives the window the size it wants.
constexpr int kSide = 22;

// The icon's window, which the tray takes in. It paints the icon over the tray's own background
// and turns presses into clicks; the right button also opens the menu.
class IconWindow : public QWidget
{
public:
    IconWindow(XEmbedTrayIcon* icon, QMenu* menu, bool translucent)
        : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint),
          icon_(icon), menu_(menu)
    {
        // The name by which Qt's X11 platform knows a tray icon's window (its own tray icon's
        // has it): such a window is made in the tray's visual and mapped only once the tray has
        // taken it in, in the protocol's order, not first on the root window.
        setObjectName(QStringLiteral("QSystemTrayIconSys"));
        setAttribute(Qt::WA_AlwaysShowToolTips);
        setAttribute(Qt::WA_QuitOnClose, false);
        // A tray of 32-bit colour takes a window with an alpha channel; any other tray shows its
        // own background through ours (taken from the screen once the tray has the window).
        setAttribute(Qt::WA_TranslucentBackground, translucent);
        setMinimumSize(kSide, kSide);
        resize(kSide, kSide);
        setToolTip(icon->toolTip());
    }

    // The tray has (re)parented the window: what lies behind it is taken again.
    void takeBackground()
    {
        background_ = QPixmap();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        if (testAttribute(Qt::WA_TranslucentBackground)) {
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.fillRect(rect(), Qt::transparent);
            painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        } else {
            if (background_.isNull() && screen())
                background_ = screen()->grabWindow(winId(), 0, 0, width(), height());
            painter.drawPixmap(0, 0, background_);
        }
        icon_->icon().paint(&painter, rect());
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        switch (event->button()) {
        case Qt::LeftButton:
            emit icon_->clicked(XEmbedTrayIcon::Click::Left);
            break;
        case Qt::RightButton:
            if (menu_)
                menu_->popup(event->globalPosition().toPoint());
            emit icon_->clicked(XEmbedTrayIcon::Click::Right);
            break;
        case Qt::MiddleButton:
            emit icon_->clicked(XEmbedTrayIcon::Click::Middle);
            break;
        default:
            break;
        }
    }

    // The second press of a double click is a double click, not another press.
    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            emit icon_->clicked(XEmbedTrayIcon::Click::LeftDouble);
    }

private:
    XEmbedTrayIcon* icon_;
    QMenu* menu_;
    QPixmap background_;
};

#ifdef ZV_HAVE_XCB
constexpr uint32_t kRequestDock = 0;    // SYSTEM_TRAY_REQUEST_DOCK
constexpr uint32_t kEmbeddedNotify = 0; // XEMBED_EMBEDDED_NOTIFY

QByteArray selectionName()
{
    return QByteArrayLiteral("_NET_SYSTEM_TRAY_S") + QByteArray::number(X11::screenNumber());
}

// Whether the tray asks for windows of 32-bit colour (_NET_SYSTEM_TRAY_VISUAL).
bool trayWantsAlpha(xcb_connection_t* c, xcb_window_t tray)
{
    std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> r(
        xcb_get_property_reply(c,
                               xcb_get_property(c, 0, tray, X11::atom("_NET_SYSTEM_TRAY_VISUAL"),
                                                XCB_ATOM_VISUALID, 0, 1),
                               nullptr),
        &std::free);
    if (!r || r->format != 32 || xcb_get_property_value_length(r.get()) != 4)
        return false;
    const auto visual = *static_cast<const xcb_visualid_t*>(xcb_get_property_value(r.get()));
    for (auto s = xcb_setup_roots_iterator(xcb_get_setup(c)); s.rem; xcb_screen_next(&s)) {
        for (auto d = xcb_screen_allowed_depths_iterator(s.data); d.rem; xcb_depth_next(&d)) {
            for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v)) {
                if (v.data->visual_id == visual)
                    return d.data->depth == 32;
            }
        }
    }
    return false;
}

// Adds events of a window to those this connection already takes from it.
bool listen(xcb_connection_t* c, xcb_window_t w, uint32_t events)
{
    std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> a(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr), &std::free);
    if (!a)
        return false; // gone already
    const uint32_t mask = a->your_event_mask | events;
    std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(
        xcb_request_check(c, xcb_change_window_attributes_checked(c, w, XCB_CW_EVENT_MASK, &mask)),
        &std::free);
    return !error;
}
#endif

} // namespace

XEmbedTrayIcon::XEmbedTrayIcon(QMenu* menu, QObject* parent) : QObject(parent), menu_(menu) {}

void XEmbedTrayIcon::start()
{
#ifdef ZV_HAVE_XCB
    xcb_connection_t* c = X11::connection();
    if (!c || x11_)
        return;
    x11_ = true;
    root_ = X11::root();
    // A tray that starts announces itself to the root window (MANAGER); the one there now owns
    // the screen's tray selection.
    listen(c, root_, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    QCoreApplication::instance()->installNativeEventFilter(this);
    const QByteArray selection = selectionName();
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, X11::atom(selection)), nullptr),
        &std::free);
    if (owner && owner->owner != XCB_WINDOW_NONE)
        adoptTray(owner->owner);
#endif
}

XEmbedTrayIcon::~XEmbedTrayIcon()
{
    if (x11_)
        QCoreApplication::instance()->removeNativeEventFilter(this);
    delete window_.data();
}

void XEmbedTrayIcon::setIcon(const QIcon& icon)
{
    icon_ = icon;
    if (window_)
        window_->update();
}

void XEmbedTrayIcon::setToolTip(const QString& tip)
{
    tip_ = tip;
    if (window_)
        window_->setToolTip(tip);
}

void XEmbedTrayIcon::setVisible(bool visible)
{
    if (visible == visible_)
        return;
    visible_ = visible;
    if (visible)
        dock();
    else
        undock();
}

void XEmbedTrayIcon::adoptTray(quint32 window)
{
#ifdef ZV_HAVE_XCB
    xcb_connection_t* c = X11::connection();
    // The icon goes with the tray that had it; a new tray gets it afresh.
    undock();
    // Told when this tray's window goes (DestroyNotify); one that is gone already is no tray.
    tray_ = listen(c, window, XCB_EVENT_MASK_STRUCTURE_NOTIFY) ? window : 0;
    // Once Qt, too, has learnt of the tray from the event at hand.
    QMetaObject::invokeMethod(this, &XEmbedTrayIcon::dock, Qt::QueuedConnection);
    emit stateChanged();
#else
    Q_UNUSED(window);
#endif
}

void XEmbedTrayIcon::dock()
{
#ifdef ZV_HAVE_XCB
    if (!visible_ || !tray_ || window_)
        return;
    xcb_connection_t* c = X11::connection();
    auto* window = new IconWindow(this, menu_, trayWantsAlpha(c, tray_));
    window_ = window;
    window->createWinId();
    xcb_client_message_event_t request{};
    request.response_type = XCB_CLIENT_MESSAGE;
    request.format = 32;
    request.window = tray_;
    request.type = X11::atom("_NET_SYSTEM_TRAY_OPCODE");
    request.data.data32[0] = XCB_CURRENT_TIME;
    request.data.data32[1] = kRequestDock;
    request.data.data32[2] = static_cast<uint32_t>(window->winId());
    xcb_send_event(c, 0, tray_, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&request));
    xcb_flush(c);
    // Mapped by Qt once the tray has taken it in.
    window->show();
#endif
}

void XEmbedTrayIcon::undock()
{
    if (window_) {
        window_->hide();
        // A window destroyed, not only unmapped: some trays give its place back only then.
        delete window_.data();
    }
    setDocked(false);
}

void XEmbedTrayIcon::setDocked(bool docked)
{
    if (docked == docked_)
        return;
    docked_ = docked;
    if (docked && window_) {
#ifdef ZV_HAVE_XCB
        // Under a tray without 32-bit colour the window shows its parent's background, which
        // the window takes as its own before it paints the icon over it.
        if (!window_->testAttribute(Qt::WA_TranslucentBackground)) {
            xcb_connection_t* c = X11::connection();
            const auto w = static_cast<xcb_window_t>(window_->winId());
            const uint32_t parentRelative = XCB_BACK_PIXMAP_PARENT_RELATIVE;
            xcb_change_window_attributes(c, w, XCB_CW_BACK_PIXMAP, &parentRelative);
            xcb_clear_area(c, 0, w, 0, 0, 0, 0);
            xcb_flush(c);
        }
#endif
        static_cast<IconWindow*>(window_.data())->takeBackground();
    }
    emit stateChanged();
}

bool XEmbedTrayIcon::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
#ifdef ZV_HAVE_XCB
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const auto ours = [this](xcb_window_t w) {
        return window_ && w == static_cast<xcb_window_t>(window_->winId());
    };
    switch (event->response_type & 0x7f) {
    case XCB_CLIENT_MESSAGE: {
        const auto* m = reinterpret_cast<const xcb_client_message_event_t*>(event);
        if (m->type == X11::atom("MANAGER") &&
            m->data.data32[1] == X11::atom(selectionName().constData()))
            adoptTray(m->data.data32[2]);
        else if (ours(m->window) && m->type == X11::atom("_XEMBED") &&
                 m->data.data32[1] == kEmbeddedNotify)
            setDocked(true);
        break;
    }
    case XCB_REPARENT_NOTIFY: {
        const auto* r = reinterpret_cast<const xcb_reparent_notify_event_t*>(event);
        // Into the tray, or back onto the root window when the tray let go of it.
        if (ours(r->window))
            setDocked(r->parent != root_);
        break;
    }
    case XCB_DESTROY_NOTIFY: {
        const auto* d = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
        if (tray_ && d->window == tray_) {
            tray_ = 0;
            undock();
            emit stateChanged();
        }
        break;
    }
    default:
        break;
    }
#else
    Q_UNUSED(eventType);
    Q_UNUSED(message);
#endif
    return false;
}

#include "moc_xembedtrayicon.cpp" // meta-object code, compiled with this file
