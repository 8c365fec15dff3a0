#include "mainwindow/traycontroller.h"

#include "widgets/appicon.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

namespace
{
std::optional<bool>& availabilityOverride()
{
    static std::optional<bool> v;
    return v;
}
} // namespace

TrayController::TrayController(QWidget* window)
    : QObject(window), icon_(new QSystemTrayIcon(this)),
      mnuTray_(new QMenu(QStringLiteral("托盘菜单"), window))
{
    setObjectName(QStringLiteral("nidTray"));
    mnuTray_->setObjectName(QStringLiteral("mnuTray"));
    QAction* mnuShow = mnuTray_->addAction(QStringLiteral("显示程序"));
    mnuShow->setObjectName(QStringLiteral("mnuShow"));
    QAction* mnuQuit = mnuTray_->addAction(QStringLiteral("关闭退出"));
    mnuQuit->setObjectName(QStringLiteral("mnuQuit"));

    icon_->setIcon(AppIcon::icon());
    icon_->setToolTip(tipText());
    icon_->setContextMenu(mnuTray_);
    connect(icon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                // A press of the left button; double clicks act through their first press only,
                // and the right button opens the menu by itself.
                if (reason == QSystemTrayIcon::Trigger)
                    emit activated();
            });
    connect(mnuShow, &QAction::triggered, this, &TrayController::showRequested);
    connect(mnuQuit, &QAction::triggered, this, &TrayController::quitRequested);
}

TrayController::~TrayController() = default;

QString TrayController::tipText()
{
    return QStringLiteral("Zelvar快报+首席Zelvar宝");
}

bool TrayController::isAvailable()
{
    if (availabilityOverride())
        return *availabilityOverride();
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayController::setAvailableForTesting(std::optional<bool> available)
{
    availabilityOverride() = available;
}

void TrayController::add()
{
    icon_->show();
}

void TrayController::remove()
{
    icon_->hide();
}
