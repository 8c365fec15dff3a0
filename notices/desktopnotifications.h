#pragma once
// The desktop's own list of notifications (org.freedesktop.Notifications on the session bus:
// GNOME's message list, KDE's history, Deepin's notification centre): the only list a member sees
// on a desktop without a tray. A missed notice is handed over to stay there, its default action
// opening the item; without a notification server nothing happens and nothing fails.
#include <QObject>
#include <QString>

class DesktopNotifications : public QObject
{
    Q_OBJECT
public:
    explicit DesktopNotifications(QObject* parent = nullptr);

    // Hands a notice over (summary the category, body the title); its id comes by notified().
    // The notice's sound has played, or the desktop keeps quiet: the server plays none.
    void notify(quint64 noticeId, const QString& category, const QString& title);
    void close(uint desktopId);
    // The server's do-not-disturb (its Inhibited property, KDE's and others'); false without a
    // server or without the property.
    bool inhibited();

    // How long a call to the server may take before it counts as unanswered.
    static constexpr int kCallWaitMs = 500;

signals:
    void notified(quint64 noticeId, uint desktopId);
    void defaultActionInvoked(uint desktopId);
    void closed(uint desktopId);

private slots:
    void onActionInvoked(uint desktopId, const QString& action);
    void onNotificationClosed(uint desktopId, uint reason);

private:
    bool serverPresent() const;
};
