#include "harness/statusnotifierhost.h"

#include "harness/windows.h"

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace harness
{

namespace
{

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString kItemPath = QStringLiteral("/StatusNotifierItem");
const QString kItemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString kMenuInterface = QStringLiteral("com.canonical.dbusmenu");
constexpr int kCallMs = 5000;

} // namespace

// The watcher's interface, exported on the host object.
class StatusNotifierWatcherAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ registeredItems)
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
public:
    explicit StatusNotifierWatcherAdaptor(StatusNotifierHost* host)
        : QDBusAbstractAdaptor(host), host_(host)
    {
    }
    QStringList registeredItems() const { return host_->items(); }
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }

public slots:
    void RegisterStatusNotifierItem(const QString& service, const QDBusMessage& message)
    {
        host_->registerItem(service, message.service());
        emit StatusNotifierItemRegistered(service);
    }
    void RegisterStatusNotifierHost(const QString&) {}

signals:
    void StatusNotifierItemRegistered(const QString& service);
    void StatusNotifierItemUnregistered(const QString& service);
    void StatusNotifierHostRegistered();

private:
    StatusNotifierHost* host_;
};

namespace
{

// A connection of each host's own: a host that takes over from another is another client.
} // namespace

StatusNotifierHost::StatusNotifierHost(const QString& busAddress)
    : service_(busAddress, QStringLiteral("host"))
{
    new StatusNotifierWatcherAdaptor(this);
}

StatusNotifierHost::~StatusNotifierHost() = default;

bool StatusNotifierHost::start(bool replace)
{
    return service_.publish(this, kWatcherPath, kWatcherService,
                            replace ? QDBusConnectionInterface::ReplaceExistingService
                                    : QDBusConnectionInterface::DontQueueService,
                            QDBusConnectionInterface::AllowReplacement);
}

void StatusNotifierHost::registerItem(const QString& serviceOrPath, const QString& sender)
{
    // Some programs register an object path; the item's service is then the caller.
    const QString service = serviceOrPath.startsWith(QLatin1Char('/')) ? sender : serviceOrPath;
    if (!items_.contains(service))
        items_.append(service);
}

QString StatusNotifierHost::waitForItem(int timeoutMs)
{
    waitUntil([&] { return !items_.isEmpty(); }, timeoutMs);
    return items_.value(0);
}

bool StatusNotifierHost::itemAlive(const QString& item)
{
    return service_.bus().interface()->isServiceRegistered(item).value();
}

QVariant StatusNotifierHost::itemProperty(const QString& item, const char* name)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        item, kItemPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kItemInterface << QString::fromLatin1(name);
    const QDBusMessage reply = service_.bus().call(get, QDBus::Block, kCallMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    return reply.arguments().first().value<QDBusVariant>().variant();
}

namespace
{

// One a(iiay) array of pictures; sizes of those whose data fit their size.
QList<QSize> pictures(const QDBusArgument& array)
{
    QList<QSize> sizes;
    array.beginArray();
    while (!array.atEnd()) {
        int w = 0;
        int h = 0;
        QByteArray argb;
        array.beginStructure();
        array >> w >> h >> argb;
        array.endStructure();
        if (w > 0 && h > 0 && argb.size() == qsizetype(w) * h * 4)
            sizes.append(QSize(w, h));
    }
    array.endArray();
    return sizes;
}

// A dbusmenu layout node (ia{sv}av), its submenus included.
StatusNotifierHost::MenuEntry menuEntry(const QDBusArgument& node)
{
    StatusNotifierHost::MenuEntry entry;
    QVariantMap properties;
    node.beginStructure();
    node >> entry.id >> properties;
    entry.label = properties.value(QStringLiteral("label")).toString();
    entry.enabled = properties.value(QStringLiteral("enabled"), true).toBool();
    node.beginArray();
    while (!node.atEnd()) {
        QDBusVariant child;
        node >> child;
        entry.children.append(menuEntry(child.variant().value<QDBusArgument>()));
    }
    node.endArray();
    node.endStructure();
    return entry;
}

} // namespace

QStringList StatusNotifierHost::toolTip(const QString& item)
{
    const QVariant tip = itemProperty(item, "ToolTip");
    if (!tip.canConvert<QDBusArgument>())
        return {};
    const QDBusArgument arg = tip.value<QDBusArgument>();
    QString iconName;
    QString title;
    QString text;
    arg.beginStructure();
    arg >> iconName;
    pictures(arg);
    arg >> title >> text;
    arg.endStructure();
    return {title, text};
}

QString StatusNotifierHost::toolTipTitle(const QString& item)
{
    return toolTip(item).value(0);
}

QString StatusNotifierHost::toolTipText(const QString& item)
{
    return toolTip(item).value(1);
}

QString StatusNotifierHost::status(const QString& item)
{
    return itemProperty(item, "Status").toString();
}

QList<QSize> StatusNotifierHost::iconSizes(const QString& item, const char* property)
{
    const QVariant icon = itemProperty(item, property);
    if (!icon.canConvert<QDBusArgument>())
        return {};
    return pictures(icon.value<QDBusArgument>());
}

bool StatusNotifierHost::activate(const QString& item)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(item, kItemPath, kItemInterface, QStringLiteral("Activate"));
    call << 0 << 0;
    return service_.bus().call(call, QDBus::Block, kCallMs).type() == QDBusMessage::ReplyMessage;
}

QList<StatusNotifierHost::MenuEntry> StatusNotifierHost::menu(const QString& item)
{
    const QString path = itemProperty(item, "Menu").value<QDBusObjectPath>().path();
    if (path.isEmpty())
        return {};
    QDBusMessage call =
        QDBusMessage::createMethodCall(item, path, kMenuInterface, QStringLiteral("GetLayout"));
    call << 0 << -1 << QStringList();
    const QDBusMessage reply = service_.bus().call(call, QDBus::Block, kCallMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() < 2)
        return {};
    return menuEntry(reply.arguments().at(1).value<QDBusArgument>()).children;
}

bool StatusNotifierHost::clickMenuEntry(const QString& item, int id)
{
    const QString path = itemProperty(item, "Menu").value<QDBusObjectPath>().path();
    QDBusMessage call =
        QDBusMessage::createMethodCall(item, path, kMenuInterface, QStringLiteral("Event"));
    call << id << QStringLiteral("clicked") << QVariant::fromValue(QDBusVariant(0)) << 0u;
    return service_.bus().call(call, QDBus::Block, kCallMs).type() == QDBusMessage::ReplyMessage;
}

bool StatusNotifierHost::openSubmenu(const QString& item, int id)
{
    const QString path = itemProperty(item, "Menu").value<QDBusObjectPath>().path();
    QDBusMessage call =
        QDBusMessage::createMethodCall(item, path, kMenuInterface, QStringLiteral("AboutToShow"));
    call << id;
    return service_.bus().call(call, QDBus::Block, kCallMs).type() == QDBusMessage::ReplyMessage;
}

} // namespace harness

#include "statusnotifierhost.moc"

#include "moc_statusnotifierhost.cpp" // meta-object code, compiled with this file
