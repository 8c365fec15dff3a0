#pragma once
// The day's notices, newest first, at most 50, kept in memory only (the program keeps no other
// files): what came while the member looked away. A notice is missed when its popup closed
// without a click (or none could be shown: the desktop said do not disturb); it is seen once the
// member opens it, and acknowledged once the member looked at the list or came back to the main
// window through the tray. The unread count is what the tray marks.
#include <QDateTime>
#include <QList>
#include <QString>

struct Notice {
    quint64 id = 0;
    QDateTime time;
    QString category; // the popup's ZuName
    QString title;    // its Ziname, cut to kMaxTitleChars
    QString url;      // its ZiUrl: what a click on the popup loads
    bool missed = false;
    bool seen = false;
    bool acknowledged = false;
    uint desktopId = 0; // the desktop's notification of it; 0 for none
};

class RecentNotices
{
public:
    static constexpr int kMax = 50;
    static constexpr int kMaxTitleChars = 200;
    static constexpr int kMenuTitleChars = 24;

    // A new notice at now, in front; notices of other days, and the oldest beyond kMax, go.
    const Notice& add(const QDateTime& now, const QString& category, const QString& title,
                      const QString& url);
    Notice* find(quint64 id);
    Notice* findDesktop(uint desktopId);
    // Only the notices of today's date stay.
    void keepDay(const QDate& today);
    const QList<Notice>& all() const { return notices_; }

    // Missed, not seen and not acknowledged.
    int unread() const;
    // The member looked: every missed notice is known now (each stays marked in the list until
    // the member opens it).
    void acknowledge();

    // "HH:MM 类别 标题", a missed notice not yet seen marked "● " in front, a long title cut.
    static QString menuText(const Notice& notice);

private:
    QList<Notice> notices_;
    quint64 nextId_ = 1;
};
