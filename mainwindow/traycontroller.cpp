#include "mainwindow/traycontroller.h"

#include "mainwindow/processend.h"
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

TrayController::TrayController(QWidget* mainWindow, QObject* parent)
    : QObject(parent), mainWindow_(mainWindow), icon_(new QSystemTrayIcon(this)),
      mnuTray_(new QMenu(QStringLiteral("托盘菜单"))),
      mnuShow_(mnuTray_->addAction(QStringLiteral("显示程序"))),
      mnuQuit_(mnuTray_->addAction(QStringLiteral("关闭退出")))
{
    icon_->setIcon(AppIcon::icon());
    icon_->setToolTip(tipText());
    icon_->setContextMenu(mnuTray_);
    connect(icon_, &QSystemTrayIcon::activated, this, &TrayController::onActivated);
    connect(mnuShow_, &QAction::triggered, this, &TrayController::mnuShow_Click);
    connect(mnuQuit_, &QAction::triggered, this, &TrayController::mnuQuit_Click);
}

TrayController::~TrayController()
{
    delete mnuTray_;
}

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

bool TrayController::isShown() const
{
    return icon_->isVisible();
}

void TrayController::onActivated(QSystemTrayIcon::ActivationReason reason)
{
    // A press of the left button; double clicks act through their first press only, and the
    // right button opens the context menu by itself.
    if (reason == QSystemTrayIcon::Trigger)
        restoreAndFocus();
}

void TrayController::restoreAndFocus()
{
    if (!mainWindow_->isVisible())
        mainWindow_->show();
    if (mainWindow_->windowState() & Qt::WindowMinimized)
        mainWindow_->setWindowState(mainWindow_->windowState() & ~Qt::WindowMinimized);
    mainWindow_->raise();
    mainWindow_->activateWindow();
}

void TrayController::mnuShow_Click()
{
    if (!mainWindow_->isVisible())
        mainWindow_->show();
    if (mainWindow_->windowState() & Qt::WindowMinimized)
        mainWindow_->setWindowState(mainWindow_->windowState() & ~Qt::WindowMinimized);
}

void TrayController::mnuQuit_Click()
{
    remove();
    ProcessEnd::now();
}
