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
    QString category; // the popup's ZuName, cut to kMaxCategoryChars
    QString title;    // its Ziname, cut to kMaxTitleChars
    QString url;      // its ZiUrl: what a click on the popup loads
    bool missed = false;
    bool seen = false;
    bool acknowledged = false;
    // The desktop's notification of it: the server that gave the id, and the id (0 for none).
    QString desktopServer;
    uint desktopId = 0;
};

class RecentNotices
{
public:
    static constexpr int kMax = 50;
    // A broken list row may bring a megabyte in either field; what is kept, and what a menu
    // entry shows, is cut.
    static constexpr int kMaxTitleChars = 200;
    static constexpr int kMaxCategoryChars = 200;
    static constexpr int kMenuTitleChars = 24;
    static constexpr int kMenuCategoryChars = 24;

    // A new notice at now, in front; notices of other days, and the oldest beyond kMax, go.
    const Notice& add(const QDateTime& now, const QString& category, const QString& title,
                      const QString& url);
    Notice* find(quint64 id);
    // The notice of a desktop notification, by the server that gave its id.
    Notice* findDesktop(const QString& server, uint desktopId);
    // The desktop's server went or was replaced: none of its ids is ours any more.
    void forgetDesktop();
    // Only the notices of today's date stay.
    void keepDay(const QDate& today);
    const QList<Notice>& all() const { return notices_; }

    // Missed, not seen and not acknowledged.
    int unread() const;
    // The member looked: every missed notice is known now (each stays marked in the list until
    // the member opens it).
    void acknowledge();

    // "HH:MM 类别 标题", a missed notice not yet seen marked "● " in front, a long category or
    // title cut.
    static QString menuText(const Notice& notice);

private:
    QList<Notice> notices_;
    quint64 nextId_ = 1;
};
