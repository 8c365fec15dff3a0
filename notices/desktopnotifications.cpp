#include "notices/desktopnotifications.h"

#include "startup/settings.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QFileInfo>
#include <QUrl>

namespace
{

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kDefaultAction = QStringLiteral("default");

QDBusMessage call(const QString& method)
{
    QDBusMessage m = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    // A desktop without a server does not get one started for us.
    m.setAutoStartService(false);
    return m;
}

// The program's icon: the installed one by its name in the icon theme, else the picture beside
// a portable program.
QString appIcon()
{
    const QString beside = AppDir() + QStringLiteral("zvkb.png");
    return QFileInfo(beside).isFile() ? QUrl::fromLocalFile(beside).toString()
                                      : QStringLiteral("zvkb");
}

} // namespace

DesktopNotifications::DesktopNotifications(QObject* parent) : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                SLOT(onActionInvoked(uint, QString)));
    bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                SLOT(onNotificationClosed(uint, uint)));
}

bool DesktopNotifications::serverPresent() const
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface() &&
           bus.interface()->isServiceRegistered(kService).value();
}

void DesktopNotifications::notify(quint64 noticeId, const QString& category, const QString& title)
{
    if (!serverPresent())
        return;
    QDBusMessage m = call(QStringLiteral("Notify"));
    const QVariantMap hints{
        {QStringLiteral("desktop-entry"), QStringLiteral("zvkb")},
        {QStringLiteral("suppress-sound"), true},
        {QStringLiteral("transient"), false},
    };
    m << QStringLiteral("Zelvar快报") << uint(0) << appIcon() << category << title
      << QStringList{kDefaultAction, QStringLiteral("查看")} << hints << int(-1);
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(m), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, noticeId](QDBusPendingCallWatcher* w) {
                const QDBusPendingReply<uint> reply = *w;
                if (!reply.isError() && reply.value() != 0)
                    emit notified(noticeId, reply.value());
                w->deleteLater();
            });
}

void DesktopNotifications::close(uint desktopId)
{
    if (desktopId == 0 || !QDBusConnection::sessionBus().isConnected())
        return;
    QDBusMessage m = call(QStringLiteral("CloseNotification"));
    m << desktopId;
    QDBusConnection::sessionBus().asyncCall(m);
}

bool DesktopNotifications::inhibited()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get.setAutoStartService(false);
    get << kInterface << QStringLiteral("Inhibited");
    const QDBusMessage reply = bus.call(get, QDBus::Block, kCallWaitMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    return reply.arguments().first().value<QDBusVariant>().variant().toBool();
}

void DesktopNotifications::onActionInvoked(uint desktopId, const QString& action)
{
    if (action == kDefaultAction)
        emit defaultActionInvoked(desktopId);
}

void DesktopNotifications::onNotificationClosed(uint desktopId, uint)
{
    emit closed(desktopId);
}

#include "moc_desktopnotifications.cpp" // meta-object code, compiled with this file
