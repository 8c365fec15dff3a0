#pragma once
// The notification-area icon and its menu "显示程序" / "关闭退出" (mnuShow, mnuQuit). It only says
// what the member asked for; the main window decides what that does.
#include <QObject>
#include <QSystemTrayIcon>
#include <optional>

class QMenu;
class QWidget;

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

signals:
    // A press of the left button on the icon.
    void activated();
    // "显示程序" and "关闭退出" of the icon's menu.
    void showRequested();
    void quitRequested();

private:
    QSystemTrayIcon* icon_;
    QMenu* mnuTray_;
};
