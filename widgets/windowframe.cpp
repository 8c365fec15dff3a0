#include "widgets/windowframe.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHash>
#include <QTimer>
#include <QWidget>

#ifdef ZV_HAVE_XCB
#include "widgets/x11.h"

#include <cstdlib>
#include <cstring>
#endif

namespace WindowFrame
{

namespace
{

#ifdef ZV_HAVE_XCB
// The frame an X11 window manager says it drew around the window (_NET_FRAME_EXTENTS: left,
// right, top, bottom). Qt reads the same property, but only again after the window's next
// configure event: a manager that sets it after its last one (mutter may) leaves Qt with no frame
// at all for as long as the window is not moved or resized.
std::optional<QMargins> x11Extents(const QWidget* window)
{
    xcb_connection_t* c = X11::connection();
    const xcb_atom_t atom = X11::atom("_NET_FRAME_EXTENTS");
    if (!c || atom == XCB_ATOM_NONE)
        return std::nullopt;
    xcb_get_property_reply_t* r =
        xcb_get_property_reply(c,
                               xcb_get_property(c, 0, static_cast<xcb_window_t>(window->winId()),
                                                atom, XCB_ATOM_CARDINAL, 0, 4),
                               nullptr);
    std::optional<QMargins> m;
    if (r && r->format == 32 && xcb_get_property_value_length(r) == 16) {
        quint32 v[4];
        std::memcpy(v, xcb_get_property_value(r), sizeof v);
        // Cardinals; anything beyond a screen's size is no frame.
        if (v[0] < 4096 && v[1] < 4096 && v[2] < 4096 && v[3] < 4096)
            m = QMargins(int(v[0]), int(v[2]), int(v[1]), int(v[3]));
    }
    std::free(r);
    if (m && m->isNull())
        return std::nullopt;
    return m;
}
#endif

// The last frame seen around a window of each kind (ordinary window, tool window...).
QHash<int, QMargins>& lastFrames()
{
    static QHash<int, QMargins> frames;
    return frames;
}

} // namespace

std::optional<QMargins> margins(const QRect& frame, const QRect& client)
{
    const QMargins m(client.left() - frame.left(), client.top() - frame.top(),
                     frame.right() - client.right(), frame.bottom() - client.bottom());
    if (m.isNull() || m.left() < 0 || m.top() < 0 || m.right() < 0 || m.bottom() < 0)
        return std::nullopt;
    return m;
}

std::optional<QMargins> known(const QWidget* window)
{
    if (!window->isVisible())
        return std::nullopt;
    std::optional<QMargins> m;
#ifdef ZV_HAVE_XCB
    m = x11Extents(window);
#endif
    if (!m)
        m = margins(window->frameGeometry(), window->geometry());
    if (m)
        lastFrames().insert(int(window->windowType()), *m);
    return m;
}

void askAhead(QWidget* window)
{
#ifdef ZV_HAVE_XCB
    xcb_connection_t* c = X11::connection();
    if (!c || !window->isWindow() || window->isVisible())
        return;
    const xcb_atom_t request = X11::atom("_NET_REQUEST_FRAME_EXTENTS");
    if (request == XCB_ATOM_NONE)
        return;
    X11::sendToRoot(static_cast<xcb_window_t>(window->winId()), request, {});
#else
    Q_UNUSED(window);
#endif
}

std::optional<QMargins> expected(const QWidget* window)
{
    if (const std::optional<QMargins> m = known(window))
        return m;
    const auto it = lastFrames().constFind(int(window->windowType()));
    if (it == lastFrames().cend())
        return std::nullopt;
    return *it;
}

void moveOuterTo(QWidget* window, QPoint outerTopLeft, const QMargins& frame)
{
    // The client area goes inside the frame as the window manager draws it; Qt's own idea of
    // the frame, which move() goes by, may be out of date.
    const QRect client(outerTopLeft + QPoint(frame.left(), frame.top()), window->size());
    if (window->geometry() != client)
        window->setGeometry(client);
}

} // namespace WindowFrame

FrameWatch::FrameWatch(QWidget* window, int waitMs)
    : QObject(window), window_(window), timer_(new QTimer(this)), waitMs_(waitMs)
{
    timer_->setInterval(50);
    connect(timer_, &QTimer::timeout, this, &FrameWatch::look);
    window->installEventFilter(this);
}

bool FrameWatch::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_ && event->type() == QEvent::Show) {
        waitedMs_ = 0;
        timer_->start();
    }
    return false;
}

void FrameWatch::look()
{
    waitedMs_ += timer_->interval();
    const std::optional<QMargins> frame = WindowFrame::known(window_);
    if (!frame && waitedMs_ < waitMs_)
        return;
    timer_->stop();
    emit settled(frame);
}

#include "moc_windowframe.cpp" // meta-object code, compiled with this file
