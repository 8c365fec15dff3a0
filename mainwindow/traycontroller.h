#pragma once
// The notification-area icon of the main window, its menu "显示程序" / "关闭退出", and what a
// click on the icon does to the main window.
#include <QObject>
#include <QSystemTrayIcon>
#include <optional>

class QAction;
class QMenu;
class QWidget;

class TrayController : public QObject
{
    Q_OBJECT
public:
    explicit TrayController(QWidget* mainWindow, QObject* parent = nullptr);
    ~TrayController() override;

    static QString tipText();

    // Whether a notification area is there to hold the icon.
    static bool isAvailable();
    // Tests decide availability; nothing restores the platform's answer.
    static void setAvailableForTesting(std::optional<bool> available);

    void add();
    void remove();
    bool isShown() const;

    QSystemTrayIcon* icon() const { return icon_; }
    QMenu* menu() const { return mnuTray_; }
    QAction* mnuShowAction() const { return mnuShow_; }
    QAction* mnuQuitAction() const { return mnuQuit_; }

public slots:
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    // Left button on the icon: shown if hidden, restored and focused if minimised, focused
    // otherwise.
    void restoreAndFocus();
    void mnuShow_Click();
    void mnuQuit_Click();

private:
    QWidget* mainWindow_;
    QSystemTrayIcon* icon_;
    QMenu* mnuTray_;
    QAction* mnuShow_;
    QAction* mnuQuit_;
};
