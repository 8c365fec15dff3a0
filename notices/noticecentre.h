#pragma once
// The notices of the day and what becomes of them, below the main window: the poll and the popup
// tell it what happened to a notice, the tray shows what it keeps, and it hands the missed ones to
// the desktop's own list. While the desktop says do not disturb, a notice opens no popup and
// plays no sound; it is kept as missed (the tray's mark, its menu, the desktop's list).
#include "notices/recentnotices.h"

#include <QObject>
#include <functional>
#include <memory>

class DesktopNotifications;
class DoNotDisturb;

class NoticeCentre : public QObject
{
    Q_OBJECT
public:
    explicit NoticeCentre(QObject* parent = nullptr);
    ~NoticeCentre() override;

    // Follows the desktop's notification server on the session bus from now on (the first
    // notice does so by itself). Not while the program starts: nothing here is needed before
    // the main window's page has been asked for.
    void start();

    struct Arrival {
        quint64 id = 0;
        bool quiet = false; // do not disturb: no popup, no sound
    };
    // A notice the poll found.
    Arrival arrive(const QString& category, const QString& title, const QString& url);
    // Whether the desktop says do not disturb now.
    bool quiet();

    // Its popup closed without a click: on its third tick, or closed by a newer popup.
    void missed(quint64 id);
    // The member opened it: its popup, the tray's list or the desktop's list.
    void opened(quint64 id);
    // The member looked at the list or came back through the tray: the mark goes.
    void acknowledge();

    // The day's notices, newest first.
    const RecentNotices& recent();
    int unread() const { return list_.unread(); }

    void setClockForTesting(std::function<QDateTime()> clock) { clock_ = std::move(clock); }

signals:
    // The list or the unread count changed.
    void changed();
    // The member chose a notice in the desktop's list: open it as its popup's click does.
    void openRequested(quint64 id, const QString& url);

private:
    void notified(quint64 id, const QString& server, uint desktopId);
    void handOver(Notice& notice);

    RecentNotices list_;
    DesktopNotifications* desktop_;
    std::unique_ptr<DoNotDisturb> dnd_;
    std::function<QDateTime()> clock_ = [] { return QDateTime::currentDateTime(); };
};
