#pragma once
// The desktop's own list of notifications (org.freedesktop.Notifications on the session bus:
// GNOME's message list, KDE's history, Deepin's notification centre, the history of Xfce's, dunst
// and mako): the only list a member sees on a desktop without a tray. A missed notice is handed
// over to stay there, its default action opening the item.
//
// A server may be started by the bus when the first notification comes (Xfce's, dunst, mako): a
// notice is sent with that allowed, and a desktop with no server at all gets nothing started.
// Servers are restarted during the day and number their notifications from 1 again, so an id is
// only ever the server's that gave it: signals count only from that server, a notification is
// closed only while that server is still there, and the ids of a server that went are void.
// Nothing here waits for the bus on the user-interface thread, and the bus is first asked in
// start() (or by the first notice, whichever comes first), not while the program starts.
#include <QObject>
#include <QString>

class BusName;
class QDBusMessage;

class DesktopNotifications : public QObject
{
    Q_OBJECT
public:
    explicit DesktopNotifications(QObject* parent = nullptr);

    // Connects to the session bus and follows the notification server from then on. Once only.
    void start();

    // Hands a notice over (summary the category, body the title); its id comes by notified(),
    // with the server that gave it. The notice's sound has played, or the desktop keeps quiet:
    // the server plays none.
    void notify(quint64 noticeId, const QString& category, const QString& title);
    // Closes a notification, when the server that gave its id is the one there now.
    void close(const QString& server, uint desktopId);

    // The body as a server that reads markup in it ("body-markup") shows the text as it is.
    static QString bodyFor(const QString& text, bool serverReadsMarkup);

signals:
    void notified(quint64 noticeId, const QString& server, uint desktopId);
    void defaultActionInvoked(const QString& server, uint desktopId);
    void closed(const QString& server, uint desktopId);
    // The server went, was restarted or replaced: every id it gave is void.
    void serverChanged();

private slots:
    void onActionInvoked(uint desktopId, const QString& action, const QDBusMessage& message);
    void onNotificationClosed(uint desktopId, uint reason, const QDBusMessage& message);

private:
    void send(quint64 noticeId, const QString& server, const QString& category,
              const QString& title);

    BusName* server_ = nullptr; // from start()
    // What the server there now said it can do.
    QString capabilitiesOf_;
    bool bodyMarkup_ = false;
};
