#pragma once
// A notification server of the tests' own on a private session bus (org.freedesktop.Notifications,
// as GNOME Shell, Plasma and Deepin provide it): it records what programs hand it, can say do not
// disturb (KDE's Inhibited property) and invokes a notification's default action as a member's
// click in the desktop's list does.
#include "harness/busservice.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

namespace harness
{

class NotificationServer : public QObject
{
    Q_OBJECT
public:
    struct Notification {
        uint id = 0;
        QString appName;
        QString appIcon;
        QString summary;
        QString body;
        QStringList actions;
        QVariantMap hints;
        int expireTimeout = 0;
        bool closed = false; // by the program
    };

    explicit NotificationServer(const QString& busAddress);
    ~NotificationServer() override;

    // Connects and takes the server's name; false when either fails.
    bool start();

    QList<Notification> received() const { return received_; }
    // Waits until at least count notifications came (at most timeoutMs).
    bool waitForCount(int count, int timeoutMs = 10000);
    void setInhibited(bool inhibited) { inhibited_ = inhibited; }
    // Whether the server says it reads markup in a notification's body ("body-markup").
    void setBodyMarkup(bool markup) { bodyMarkup_ = markup; }
    bool bodyMarkup() const { return bodyMarkup_; }
    bool inhibited() const { return inhibited_; }
    // The member clicks the notification in the desktop's list.
    void invokeDefaultAction(uint id);

    // Called over the bus (the server's interface).
    uint notify(const Notification& n);
    void closeNotification(uint id);

private:
    BusService service_;
    QList<Notification> received_;
    bool inhibited_ = false;
    bool bodyMarkup_ = false;
};

} // namespace harness
