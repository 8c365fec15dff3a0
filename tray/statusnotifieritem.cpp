#include "tray/statusnotifieritem.h"

#include "bus/busname.h"
#include "tray/dbusmenuexporter.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QImage>
#include <QtEndian>

namespace
{

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString kItemPath = QStringLiteral("/StatusNotifierItem");
const QString kMenuPath = QStringLiteral("/MenuBar");
const QString kBus = QStringLiteral("org.freedesktop.DBus");
const QString kBusPath = QStringLiteral("/org/freedesktop/DBus");
constexpr uint kDoNotQueue = 4; // RequestName: fail rather than wait in line for the name

SniPixmapList pixmaps(const QIcon& icon)
{
    SniPixmapList list;
    for (int side : {16, 22, 24, 32, 48, 64}) {
        const QImage image = icon.pixmap(side).toImage().convertToFormat(QImage::Format_ARGB32);
        if (image.isNull())
            continue;
        SniPixmap p;
        p.width = image.width();
        p.height = image.height();
        p.argb.resize(qsizetype(p.width) * p.height * 4);
        auto* out = reinterpret_cast<uchar*>(p.argb.data());
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x, out += 4)
                qToBigEndian<quint32>(line[x], out);
        }
        list.append(p);
    }
    return list;
}

} // namespace

QDBusArgument& operator<<(QDBusArgument& arg, const SniPixmap& p)
{
    arg.beginStructure();
    arg << p.width << p.height << p.argb;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, SniPixmap& p)
{
    arg.beginStructure();
    arg >> p.width >> p.height >> p.argb;
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const SniToolTip& t)
{
    arg.beginStructure();
    arg << t.iconName << t.iconPixmap << t.title << t.description;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, SniToolTip& t)
{
    arg.beginStructure();
    arg >> t.iconName >> t.iconPixmap >> t.title >> t.description;
    arg.endStructure();
    return arg;
}

StatusNotifierItem::StatusNotifierItem(QMenu* menu, QObject* parent)
    : QObject(parent), menuObject_(new DBusMenuObject(this))
{
    static const bool registered = [] {
        qDBusRegisterMetaType<SniPixmap>();
        qDBusRegisterMetaType<SniPixmapList>();
        qDBusRegisterMetaType<SniToolTip>();
        return true;
    }();
    Q_UNUSED(registered);
    new StatusNotifierItemAdaptor(this);
    new DBusMenuExporter(menuObject_, menu);
}

void StatusNotifierItem::start()
{
    if (started_)
        return;
    started_ = true;
    draw(icon_);
    draw(attention_);
    watcher_ = new BusName(kWatcher, this);
    connect(watcher_, &BusName::ownerChanged, this, &StatusNotifierItem::watcherChanged);
    QDBusConnection bus = QDBusConnection::sessionBus();
    // Without a session bus there is nothing to wait for.
    settled_ = !bus.isConnected();
    // Subscribed without naming the sender: naming the watcher's well-known name would make Qt
    // look its owner up, and wait for the answer. Only the watcher's own signals count.
    bus.connect(QString(), kWatcherPath, kWatcher, QStringLiteral("StatusNotifierHostRegistered"),
                this, SLOT(onHostRegistered(QDBusMessage)));
    bus.connect(QString(), kWatcherPath, kWatcher, QStringLiteral("StatusNotifierHostUnregistered"),
                this, SLOT(onHostUnregistered(QDBusMessage)));
    if (settled_)
        emit stateChanged();
    if (shownBeforeStart_)
        show();
}

StatusNotifierItem::~StatusNotifierItem()
{
    hide();
}

QString StatusNotifierItem::service() const
{
    return QStringLiteral("org.kde.StatusNotifierItem-%1-1")
        .arg(QCoreApplication::applicationPid());
}

void StatusNotifierItem::draw(Picture& picture)
{
    picture.pixmaps = pixmaps(picture.icon);
}

void StatusNotifierItem::setIcon(const QIcon& icon)
{
    icon_.icon = icon;
    if (started_)
        draw(icon_);
    emit newIcon();
}

void StatusNotifierItem::setAttentionIcon(const QIcon& icon)
{
    attention_.icon = icon;
    if (started_)
        draw(attention_);
    emit newAttentionIcon();
}

void StatusNotifierItem::setToolTip(const QString& title, const QString& description)
{
    if (title == title_ && description == description_)
        return;
    title_ = title;
    description_ = description;
    emit newToolTip();
}

void StatusNotifierItem::setNeedsAttention(bool needs)
{
    if (needs == needsAttention_)
        return;
    needsAttention_ = needs;
    emit newStatus(status());
}

QString StatusNotifierItem::status() const
{
    return needsAttention_ ? QStringLiteral("NeedsAttention") : QStringLiteral("Active");
}

SniToolTip StatusNotifierItem::toolTip() const
{
    return {QString(), {}, title_, description_};
}

void StatusNotifierItem::show()
{
    if (!started_) {
        shownBeforeStart_ = true;
        return;
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (wanted_ || !bus.isConnected())
        return;
    // Objects are registered with the connection itself; the name is asked of the bus, whose
    // answer (ours, or already taken) changes nothing here.
    if (!bus.registerObject(kItemPath, this, QDBusConnection::ExportAdaptors) ||
        !bus.registerObject(kMenuPath, menuObject_, QDBusConnection::ExportAdaptors)) {
        bus.unregisterObject(kItemPath);
        bus.unregisterObject(kMenuPath);
        return;
    }
    wanted_ = true;
    QDBusMessage request =
        QDBusMessage::createMethodCall(kBus, kBusPath, kBus, QStringLiteral("RequestName"));
    request << service() << uint(kDoNotQueue);
    bus.asyncCall(request);
    announce();
}

void StatusNotifierItem::hide()
{
    shownBeforeStart_ = false;
    if (!wanted_)
        return;
    wanted_ = false;
    ++round_;
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusMessage release =
        QDBusMessage::createMethodCall(kBus, kBusPath, kBus, QStringLiteral("ReleaseName"));
    release << service();
    bus.asyncCall(release);
    bus.unregisterObject(kItemPath);
    bus.unregisterObject(kMenuPath);
    setState(false, false, settled_);
}

void StatusNotifierItem::watcherChanged(const QString& owner)
{
    // A new watcher (or none) knows nothing of the item yet.
    ++round_;
    setState(false, false, owner.isEmpty() || !wanted_ || settled_);
    announce();
}

void StatusNotifierItem::announce()
{
    const QString watcher = watcher_ ? watcher_->owner() : QString();
    if (!wanted_ || watcher.isEmpty())
        return;
    QDBusMessage m = QDBusMessage::createMethodCall(watcher, kWatcherPath, kWatcher,
                                                    QStringLiteral("RegisterStatusNotifierItem"));
    m << service();
    auto* call = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(m), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
            [this, round = round_](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                if (round != round_)
                    return;
                if (w->isError()) {
                    setState(false, false, true);
                    return;
                }
                registered_ = true;
                askForHost();
            });
}

void StatusNotifierItem::askForHost()
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        watcher_->owner(), kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << kWatcher << QStringLiteral("IsStatusNotifierHostRegistered");
    auto* call = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(get), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
            [this, round = round_](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                if (round != round_)
                    return;
                const QDBusPendingReply<QDBusVariant> reply = *w;
                // A watcher without the property is taken to have its host, as panels that
                // start their own watcher do.
                const bool host = reply.isError() || reply.value().variant().toBool();
                setState(registered_, host, true);
            });
}

void StatusNotifierItem::onHostRegistered(const QDBusMessage& message)
{
    if (registered_ && message.service() == watcher_->owner())
        setState(true, true, true);
}

void StatusNotifierItem::onHostUnregistered(const QDBusMessage& message)
{
    // Another host may still be there: asked again.
    if (registered_ && message.service() == watcher_->owner())
        askForHost();
}

void StatusNotifierItem::setState(bool registered, bool hostRegistered, bool settled)
{
    if (registered == registered_ && hostRegistered == hostRegistered_ && settled == settled_)
        return;
    registered_ = registered;
    hostRegistered_ = hostRegistered;
    settled_ = settled;
    emit stateChanged();
}

StatusNotifierItemAdaptor::StatusNotifierItemAdaptor(StatusNotifierItem* item)
    : QDBusAbstractAdaptor(item), item_(item)
{
    setAutoRelaySignals(false);
    connect(item, &StatusNotifierItem::newIcon, this, &StatusNotifierItemAdaptor::NewIcon);
    connect(item, &StatusNotifierItem::newAttentionIcon, this,
            &StatusNotifierItemAdaptor::NewAttentionIcon);
    connect(item, &StatusNotifierItem::newToolTip, this, &StatusNotifierItemAdaptor::NewToolTip);
    connect(item, &StatusNotifierItem::newStatus, this, &StatusNotifierItemAdaptor::NewStatus);
}

void StatusNotifierItemAdaptor::Activate(int, int)
{
    emit item_->activated();
}

void StatusNotifierItemAdaptor::SecondaryActivate(int, int) {}

void StatusNotifierItemAdaptor::ContextMenu(int, int) {}

void StatusNotifierItemAdaptor::Scroll(int, const QString&) {}

#include "moc_statusnotifieritem.cpp" // meta-object code, compiled with this file
