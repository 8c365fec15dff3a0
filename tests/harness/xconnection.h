#pragma once
// A small X client for looking at the harness desktop: the window tree, properties, geometry
// and selection owners, read straight from the server instead of through tool output.
#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

struct xcb_connection_t;

namespace harness
{

class XConnection
{
public:
    explicit XConnection(const QString& display);
    ~XConnection();
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    bool ok() const { return conn_ != nullptr; }
    quint32 root() const { return root_; }
    QSize screenSize() const { return screen_; }

    quint32 atom(const char* name);
    QString atomName(quint32 atom);

    // Raw property bytes (format 8/16/32 items as stored); empty when absent.
    QByteArray property(quint32 window, const char* name, quint32* type = nullptr,
                        int* format = nullptr);
    QList<quint32> property32(quint32 window, const char* name);
    // _NET_WM_NAME (UTF-8) if set, otherwise WM_NAME (Latin-1 / compound text as bytes).
    QString windowName(quint32 window);
    QString wmClass(quint32 window); // "instance,Class"

    QList<quint32> children(quint32 window); // bottom to top
    quint32 parent(quint32 window);
    bool exists(quint32 window);
    // Window rectangle in root coordinates (0 size when the window is gone).
    QRect rootGeometry(quint32 window);
    // 0 unmapped, 1 unviewable, 2 viewable; -1 when the window is gone.
    int mapState(quint32 window);
    bool overrideRedirect(quint32 window);

    quint32 selectionOwner(const char* selection);
    // The X server's time of now (the time of a property change on a window of this connection).
    quint32 serverTime();
    // A startup notification message ("new: ID=... NAME=..."), as a launcher sends one to the
    // window manager when it starts a program.
    void startupNotification(const QByteArray& message);

    // A 32-bit client message to `target` (for EWMH requests: the root window).
    void clientMessage(quint32 target, quint32 window, const char* type, quint32 d0, quint32 d1 = 0,
                       quint32 d2 = 0, quint32 d3 = 0, quint32 d4 = 0,
                       bool toRootWithRedirect = true);
    void flush();

    // Maps a panel along the top edge of the screen, `height` pixels high: a dock window with a
    // strut, as a desktop's top bar is, so that window managers keep windows below it. It lives
    // as long as this connection.
    quint32 createTopPanel(int height);

    // Binds every character of text outside ASCII to a spare key of the keyboard map (a key with
    // no symbols), unless one is bound already; returns how many keys it bound, -1 when it ran
    // out of spare keys. xdotool types a character missing from the map by remapping a key for it
    // on the fly, and a client that has not caught up with the new map drops the key.
    int bindSpareKeys(const QString& text);

private:
    quint32 ownWindow(); // an input-only window of this connection, made once

    xcb_connection_t* conn_ = nullptr;
    quint32 own_ = 0;
    quint32 root_ = 0;
    QSize screen_;
};

} // namespace harness
