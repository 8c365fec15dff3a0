#pragma once
// The notification-area icon and its menu: "最近消息" (the day's notices), "显示程序" and
// "关闭退出" (mnuShow, mnuQuit). It only says what the member asked for; the main window decides
// what that does. While notices are missed the icon says so: a marked icon on an XEmbed tray, the
// status NeedsAttention with a marked attention icon on a StatusNotifier one, and in both a tip
// line "N 条未读消息".
#include <QObject>
#include <optional>

class QMenu;
class QSystemTrayIcon;
class QWidget;
class RecentNotices;
class StatusNotifierItem;

class TrayController : public QObject
{
    Q_OBJECT
public:
    // window: the main window, which holds the icon's menu.
    explicit TrayController(QWidget* window);
    ~TrayController() override;

    static QString tipText();

    // Whether a notification area is there to hold the icon.
    static bool isAvailable();
    // Tests decide availability; nothing restores the platform's answer.
    static void setAvailableForTesting(std::optional<bool> available);

    void add();
    void remove();

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

private:
    QMenu* mnuTray_;
    QMenu* recent_;
    // One of the two: a StatusNotifier item where a host is on the session bus, Qt's icon for
    // an XEmbed tray otherwise.
    StatusNotifierItem* item_ = nullptr;
    QSystemTrayIcon* icon_ = nullptr;
    int unread_ = 0;
};
