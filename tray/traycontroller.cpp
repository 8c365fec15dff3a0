#include "tray/traycontroller.h"

#include "notices/recentnotices.h"
#include "startup/trace.h"
#include "tray/statusnotifieritem.h"
#include "tray/xembedtrayicon.h"
#include "widgets/appicon.h"

#include <QAction>
#include <QMenu>
#include <QTimer>
#include <QWidget>

namespace
{

constexpr int kSettleWaitMs = 1000;

std::optional<bool>& shownOverride()
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
      recent_(new QMenu(QStringLiteral("最近消息"), mnuTray_)),
      item_(new StatusNotifierItem(mnuTray_, this)), icon_(new XEmbedTrayIcon(mnuTray_, this)),
      settleWait_(new QTimer(this))
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

    item_->setIcon(AppIcon::icon());
    item_->setAttentionIcon(AppIcon::markedIcon());
    item_->setToolTip(tipText(), QString());
    icon_->setIcon(AppIcon::icon());
    icon_->setToolTip(tipText());
    connect(item_, &StatusNotifierItem::activated, this, &TrayController::activated);
    connect(icon_, &XEmbedTrayIcon::clicked, this, [this](XEmbedTrayIcon::Click click) {
        // A press of the left button; double clicks act through their first press only, and
        // the right button opens the menu by itself.
        if (click == XEmbedTrayIcon::Click::Left)
            emit activated();
    });
    connect(item_, &StatusNotifierItem::stateChanged, this, &TrayController::follow);
    connect(icon_, &XEmbedTrayIcon::stateChanged, this, &TrayController::follow);
    settleWait_->setSingleShot(true);
    settleWait_->setInterval(kSettleWaitMs);
    connect(settleWait_, &QTimer::timeout, this, &TrayController::follow);

    connect(mnuShow, &QAction::triggered, this, &TrayController::showRequested);
    connect(mnuQuit, &QAction::triggered, this, &TrayController::quitRequested);
    connect(recent_, &QMenu::aboutToShow, this, &TrayController::noticesOpened);
}

TrayController::~TrayController() = default;

QString TrayController::tipText()
{
    return QStringLiteral("Zelvar快报+首席Zelvar宝");
}

void TrayController::start()
{
    if (started_)
        return;
    started_ = true;
    // The bus is asked from now on: an XEmbed icon wanted before waits for its answer (or the
    // settle wait) as at any start, and only then looks for a tray to dock in.
    if (added_)
        settleWait_->start();
    icon_->setVisible(false);
    item_->start();
    icon_->start();
    follow();
}

void TrayController::add()
{
    added_ = true;
    item_->show();
    if (started_)
        settleWait_->start();
    follow();
}

void TrayController::remove()
{
    added_ = false;
    item_->hide();
    icon_->setVisible(false);
    follow();
}

bool TrayController::iconShown() const
{
    if (shownOverride())
        return *shownOverride();
    return shown_;
}

void TrayController::setShownForTesting(std::optional<bool> shown)
{
    shownOverride() = shown;
}

void TrayController::follow()
{
    const bool item = added_ && item_->isShown();
    // The XEmbed icon only where no panel shows the item, and not before the bus has had its
    // moment to say so.
    const bool settled = item_->settled() || !settleWait_->isActive();
    icon_->setVisible(added_ && !item && (settled || icon_->isVisible()));
    const bool shown = item || icon_->isDocked();
    if (shown == shown_)
        return;
    shown_ = shown;
    if (shown)
        Trace::step("tray shown");
    Trace::event(QStringLiteral("tray"), shown ? (item ? QStringLiteral("shown statusnotifier")
                                                       : QStringLiteral("shown xembed"))
                                               : QStringLiteral("gone"));
    emit iconShownChanged(shown);
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
    // Both kinds carry the mark, whichever the desktop shows now or later.
    item_->setNeedsAttention(unread > 0);
    item_->setToolTip(tipText(), unread > 0 ? unreadLine(unread) : QString());
    icon_->setIcon(unread > 0 ? AppIcon::markedIcon() : AppIcon::icon());
    icon_->setToolTip(unread > 0 ? tipText() + QLatin1Char('\n') + unreadLine(unread) : tipText());
}

#include "moc_traycontroller.cpp" // meta-object code, compiled with this file
