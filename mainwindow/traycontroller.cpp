#include "mainwindow/traycontroller.h"

#include "mainwindow/statusnotifieritem.h"
#include "notices/recentnotices.h"
#include "widgets/appicon.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QWidget>

namespace
{
std::optional<bool>& availabilityOverride()
{
    static std::optional<bool> v;
    return v;
}

QString unreadLine(int unread)
{
    return QStringLiteral("%1 条未读消息").arg(unread);
}
} // namespace

TrayController::TrayController(QWidget* window)
    : QObject(window), mnuTray_(new QMenu(QStringLiteral("托盘菜单"), window)),
      recent_(new QMenu(QStringLiteral("最近消息"), mnuTray_))
{
    setObjectName(QStringLiteral("nidTray"));
    mnuTray_->setObjectName(QStringLiteral("mnuTray"));
    recent_->setObjectName(QStringLiteral("mnuRecent"));
    mnuTray_->addMenu(recent_);
    QAction* mnuShow = mnuTray_->addAction(QStringLiteral("显示程序"));
    mnuShow->setObjectName(QStringLiteral("mnuShow"));
    QAction* mnuQuit = mnuTray_->addAction(QStringLiteral("关闭退出"));
    mnuQuit->setObjectName(QStringLiteral("mnuQuit"));
    recent_->menuAction()->setEnabled(false);

    if (StatusNotifierItem::hostAvailable()) {
        item_ = new StatusNotifierItem(mnuTray_, this);
        item_->setIcon(AppIcon::icon());
        item_->setAttentionIcon(AppIcon::markedIcon());
        item_->setToolTip(tipText(), QString());
        connect(item_, &StatusNotifierItem::activated, this, &TrayController::activated);
    } else {
        icon_ = new QSystemTrayIcon(this);
        icon_->setIcon(AppIcon::icon());
        icon_->setToolTip(tipText());
        icon_->setContextMenu(mnuTray_);
        connect(icon_, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    // A press of the left button; double clicks act through their first press
                    // only, and the right button opens the menu by itself.
                    if (reason == QSystemTrayIcon::Trigger)
                        emit activated();
                });
    }
    connect(mnuShow, &QAction::triggered, this, &TrayController::showRequested);
    connect(mnuQuit, &QAction::triggered, this, &TrayController::quitRequested);
    connect(recent_, &QMenu::aboutToShow, this, &TrayController::noticesOpened);
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
    return QSystemTrayIcon::isSystemTrayAvailable() || StatusNotifierItem::hostAvailable();
}

void TrayController::setAvailableForTesting(std::optional<bool> available)
{
    availabilityOverride() = available;
}

void TrayController::add()
{
    if (item_)
        item_->show();
    else
        icon_->show();
}

void TrayController::remove()
{
    if (item_)
        item_->hide();
    else
        icon_->hide();
}

void TrayController::showNotices(const RecentNotices& notices)
{
    recent_->clear();
    for (const Notice& n : notices.all()) {
        // "&" would mark a mnemonic in a menu entry.
        QString text = RecentNotices::menuText(n);
        text.replace(QLatin1Char('&'), QStringLiteral("&&"));
        QAction* a = recent_->addAction(text);
        connect(a, &QAction::triggered, this,
                [this, id = n.id, url = n.url] { emit noticeChosen(id, url); });
    }
    recent_->menuAction()->setEnabled(!notices.all().isEmpty());

    const int unread = notices.unread();
    if (unread == unread_)
        return;
    unread_ = unread;
    if (item_) {
        item_->setNeedsAttention(unread > 0);
        item_->setToolTip(tipText(), unread > 0 ? unreadLine(unread) : QString());
    } else {
        icon_->setIcon(unread > 0 ? AppIcon::markedIcon() : AppIcon::icon());
        icon_->setToolTip(unread > 0 ? tipText() + QLatin1Char('\n') + unreadLine(unread)
                                     : tipText());
    }
}

#include "moc_traycontroller.cpp" // meta-object code, compiled with this file
