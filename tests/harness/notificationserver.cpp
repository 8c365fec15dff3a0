#include "harness/notificationserver.h"

#include "harness/windows.h"

#include <QDBusAbstractAdaptor>
#include <QDBusMessage>

namespace harness
{

namespace
{

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");

} // namespace

class NotificationServerAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
    Q_PROPERTY(bool Inhibited READ inhibited)
public:
    explicit NotificationServerAdaptor(NotificationServer* server)
        : QDBusAbstractAdaptor(server), server_(server)
    {
    }
    bool inhibited() const { return server_->inhibited(); }

public slots:
    uint Notify(const QString& appName, uint replacesId, const QString& appIcon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int expireTimeout)
    {
        Q_UNUSED(replacesId);
        return server_->notify(
            {0, appName, appIcon, summary, body, actions, hints, expireTimeout, false});
    }
    void CloseNotification(uint id) { server_->closeNotification(id); }
    QStringList GetCapabilities()
    {
        QStringList capabilities{QStringLiteral("actions"), QStringLiteral("body")};
        if (server_->bodyMarkup())
            capabilities << QStringLiteral("body-markup");
        return capabilities;
    }
    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion)
    {
        vendor = QStringLiteral("zvkb tests");
        version = QStringLiteral("1");
        specVersion = QStringLiteral("1.2");
        return QStringLiteral("harness");
    }

signals:
    void NotificationClosed(uint id, uint reason);
    void ActionInvoked(uint id, const QString& actionKey);

private:
    NotificationServer* server_;
};

NotificationServer::NotificationServer(const QString& busAddress)
    : service_(busAddress, QStringLiteral("notifications"))
{
    new NotificationServerAdaptor(this);
}

NotificationServer::~NotificationServer() = default;

bool NotificationServer::start()
{
    return service_.publish(this, kPath, kService);
}

uint NotificationServer::notify(const Notification& n)
{
    Notification kept = n;
    kept.id = static_cast<uint>(received_.size() + 1);
    received_.append(kept);
    return kept.id;
}

void NotificationServer::closeNotification(uint id)
{
    for (Notification& n : received_) {
        if (n.id == id)
            n.closed = true;
    }
    service_.bus().send(
        QDBusMessage::createSignal(kPath, kService, QStringLiteral("NotificationClosed"))
        << id << 3u);
}

bool NotificationServer::waitForCount(int count, int timeoutMs)
{
    return waitUntil([&] { return received_.size() >= count; }, timeoutMs);
}

void NotificationServer::invokeDefaultAction(uint id)
{
    service_.bus().send(QDBusMessage::createSignal(kPath, kService, QStringLiteral("ActionInvoked"))
                        << id << QStringLiteral("default"));
    // As servers do: the notification goes once acted on (reason 2, dismissed by the user).
    service_.bus().send(
        QDBusMessage::createSignal(kPath, kService, QStringLiteral("NotificationClosed"))
        << id << 2u);
}

} // namespace harness

#include "notificationserver.moc"

#include "moc_notificationserver.cpp" // meta-object code, compiled with this file
