#include "mainwindow/traycontroller.h"

#include "mainwindow/processend.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
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
    icon_->setIcon(makeIcon());
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

QIcon TrayController::makeIcon()
{
    QIcon result;
    for (int size : {16, 32, 48}) {
        QPixmap pm(size, size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xc8, 0x10, 0x1e));
        p.drawEllipse(QRectF(0.5, 0.5, size - 1.0, size - 1.0));
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(size * 3 / 4);
        p.setFont(f);
        p.setPen(QColor(0xff, 0xd7, 0x00));
        p.drawText(QRect(0, 0, size, size), Qt::AlignCenter, QStringLiteral("Z"));
        p.end();
        result.addPixmap(pm);
    }
    return result;
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
