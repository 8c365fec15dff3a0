#pragma once
// The notification-area icon and its menu: "最近消息" (the day's notices), "显示程序" and
// "关闭退出" (mnuShow, mnuQuit). It only says what the member asked for; the main window decides
// what that does. While notices are missed the icon says so: a marked icon on an XEmbed tray, the
// status NeedsAttention with a marked attention icon on a StatusNotifier one, and in both a tip
// line "N 条未读消息".
//
// The icon follows the desktop as it is at each moment: a StatusNotifier item wherever a panel's
// watcher with a host takes it, else an XEmbed icon wherever an XEmbed tray is, whichever comes
// (or comes back) whenever it comes; never both at once.
//
// Nothing of this waits on the desktop while the program starts: the session bus and the X
// server's trays are asked only from start(), which the main window calls once its page has been
// asked for. Until then add() and remove() only say whether the icon is wanted.
#include <QObject>
#include <optional>

class QMenu;
class QTimer;
class QWidget;
class RecentNotices;
class StatusNotifierItem;
class XEmbedTrayIcon;

class TrayController : public QObject
{
    Q_OBJECT
public:
    // window: the main window, which holds the icon's menu.
    explicit TrayController(QWidget* window);
    ~TrayController() override;

    static QString tipText();

    // Goes onto the session bus and looks for the screen's tray; an icon added before is put up
    // now. Once only.
    void start();

    void add();
    void remove();

    // The program's own icon is on the screen now: taken by a StatusNotifier watcher that has a
    // host, or docked in an XEmbed tray.
    bool iconShown() const;
    // Tests decide what iconShown() says; nothing restores the real answer.
    static void setShownForTesting(std::optional<bool> shown);

    // The day's notices for "最近消息" (disabled while there are none); their unread count for
    // the mark and the tip.
    void showNotices(const RecentNotices& notices);

signals:
    // A press of the left button on the icon.
    void activated();
    // "显示程序" and "关闭退出" of the icon's menu.
    void showRequested();
    void quitRequested();
    // The member opened "最近消息", or chose one of its notices.
    void noticesOpened();
    void noticeChosen(quint64 id, const QString& url);
    // iconShown() changed: a notification area came, came back or went.
    void iconShownChanged(bool shown);

private:
    // Puts the icon where the desktop shows it now.
    void follow();

    QMenu* mnuTray_;
    QMenu* recent_;
    StatusNotifierItem* item_;
    XEmbedTrayIcon* icon_;
    // At start an XEmbed tray waits this long for the bus to say whether a StatusNotifier panel
    // takes the item (both are there on some desktops): the icon is not put up twice.
    QTimer* settleWait_;
    bool started_ = false;
    bool added_ = false;
    bool shown_ = false;
    int unread_ = 0;
};
