#include "notices/desktopnotifications.h"

#include "bus/busname.h"
#include "startup/settings.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QFileInfo>
#include <QUrl>

namespace
{

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
const QString kDefaultAction = QStringLiteral("default");

// The program's icon: the installed one by its name in the icon theme, else the picture beside
// a portable program.
QString appIcon()
{
    const QString beside = AppDir() + QStringLiteral("zvkb.png");
    return QFileInfo(beside).isFile() ? QUrl::fromLocalFile(beside).toString()
                                      : QStringLiteral("zvkb");
}

} // namespace

DesktopNotifications::DesktopNotifications(QObject* parent) : QObject(parent) {}

void DesktopNotifications::start()
{
    if (server_)
        return;
    server_ = new BusName(kService, this);
    connect(server_, &BusName::ownerChanged, this, [this] {
        capabilitiesOf_.clear();
        emit serverChanged();
    });
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    // From any sender: naming the server's well-known name would make Qt look its owner up and
    // wait for the answer. Each signal is matched with the server that sent it.
    bus.connect(QString(), kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                SLOT(onActionInvoked(uint, QString, QDBusMessage)));
    bus.connect(QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                SLOT(onNotificationClosed(uint, uint, QDBusMessage)));
}

QString DesktopNotifications::bodyFor(const QString& text, bool serverReadsMarkup)
{
    if (!serverReadsMarkup)
        return text;
    QString body;
    body.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('&'))
            body += QStringLiteral("&amp;");
        else if (c == QLatin1Char('<'))
            body += QStringLiteral("&lt;");
        else if (c == QLatin1Char('>'))
            body += QStringLiteral("&gt;");
        else
            body += c;
    }
    return body;
}

void DesktopNotifications::notify(quint64 noticeId, const QString& category, const QString& title)
{
    start();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    const QString server = server_->owner();
    if (!server.isEmpty() && server == capabilitiesOf_) {
        send(noticeId, server, category, title);
        return;
    }
    // What the server can do is asked first, by its well-known name: a server that the bus
    // starts on demand is started by this question, as by any program's first notification.
    // Where the bus knows no server, it answers at once that there is none.
    const QDBusMessage ask = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                            QStringLiteral("GetCapabilities"));
    auto* call = new QDBusPendingCallWatcher(bus.asyncCall(ask), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
            [this, noticeId, category, title](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                const QDBusPendingReply<QStringList> reply = *w;
                if (reply.isError())
                    return;
                // The server that answered: the name's owner, which the bus announced before the
                // answer (a server it started too). Qt 6.8 leaves a reply's sender empty.
                const QString server =
                    server_->owner().isEmpty() ? reply.reply().service() : server_->owner();
                if (server.isEmpty())
                    return;
                capabilitiesOf_ = server;
                bodyMarkup_ = reply.value().contains(QStringLiteral("body-markup"));
                send(noticeId, server, category, title);
            });
}

void DesktopNotifications::send(quint64 noticeId, const QString& server, const QString& category,
                                const QString& title)
{
    // To the server that answered, by its own name: the id it gives is that server's.
    QDBusMessage m =
        QDBusMessage::createMethodCall(server, kPath, kInterface, QStringLiteral("Notify"));
    m.setAutoStartService(false);
    const QVariantMap hints{
        {QStringLiteral("desktop-entry"), QStringLiteral("zvkb")},
        {QStringLiteral("suppress-sound"), true},
        {QStringLiteral("transient"), false},
    };
    m << QStringLiteral("Zelvar快报") << uint(0) << appIcon() << category
      << bodyFor(title, bodyMarkup_) << QStringList{kDefaultAction, QStringLiteral("查看")} << hints
      << int(-1);
    auto* call = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(m), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
            [this, noticeId, server](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                const QDBusPendingReply<uint> reply = *w;
                if (!reply.isError() && reply.value() != 0)
                    emit notified(noticeId, server, reply.value());
            });
}

void DesktopNotifications::close(const QString& server, uint desktopId)
{
    // A server restarted since gives the same numbers to other programs' notifications.
    if (desktopId == 0 || server.isEmpty() || !server_ || server != server_->owner())
        return;
    QDBusMessage m = QDBusMessage::createMethodCall(server, kPath, kInterface,
                                                    QStringLiteral("CloseNotification"));
    m.setAutoStartService(false);
    m << desktopId;
    QDBusConnection::sessionBus().asyncCall(m);
}

void DesktopNotifications::onActionInvoked(uint desktopId, const QString& action,
                                           const QDBusMessage& message)
{
    if (action == kDefaultAction)
        emit defaultActionInvoked(message.service(), desktopId);
}

void DesktopNotifications::onNotificationClosed(uint desktopId, uint, const QDBusMessage& message)
{
    emit closed(message.service(), desktopId);
}

#include "moc_desktopnotifications.cpp" // meta-object code, compiled with this file
