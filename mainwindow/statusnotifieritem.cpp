#include "mainwindow/statusnotifieritem.h"

#include "mainwindow/dbusmenuexporter.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QImage>
#include <QtEndian>

namespace
{

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString kItemPath = QStringLiteral("/StatusNotifierItem");
const QString kMenuPath = QStringLiteral("/MenuBar");
constexpr int kCallWaitMs = 500;

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
    : QObject(parent), menuObject_(new QObject(this))
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
    // A panel that starts again (or later than the program) learns of the item anew.
    auto* watcher = new QDBusServiceWatcher(kWatcher, QDBusConnection::sessionBus(),
                                            QDBusServiceWatcher::WatchForRegistration, this);
    connect(watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        if (shown_)
            announce();
    });
}

StatusNotifierItem::~StatusNotifierItem()
{
    hide();
}

bool StatusNotifierItem::hostAvailable()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(kWatcher).value())
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(
        kWatcher, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << kWatcher << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, kCallWaitMs);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().first().value<QDBusVariant>().variant().toBool();
}

QString StatusNotifierItem::service() const
{
    return QStringLiteral("org.kde.StatusNotifierItem-%1-1")
        .arg(QCoreApplication::applicationPid());
}

void StatusNotifierItem::setIcon(const QIcon& icon)
{
    icon_ = pixmaps(icon);
    emit newIcon();
}

void StatusNotifierItem::setAttentionIcon(const QIcon& icon)
{
    attention_ = pixmaps(icon);
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
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (shown_ || !bus.isConnected())
        return;
    if (!bus.registerObject(kItemPath, this, QDBusConnection::ExportAdaptors) ||
        !bus.registerObject(kMenuPath, menuObject_, QDBusConnection::ExportAdaptors) ||
        !bus.registerService(service())) {
        bus.unregisterObject(kItemPath);
        bus.unregisterObject(kMenuPath);
        return;
    }
    shown_ = true;
    announce();
}

void StatusNotifierItem::announce()
{
    QDBusMessage m = QDBusMessage::createMethodCall(kWatcher, kWatcherPath, kWatcher,
                                                    QStringLiteral("RegisterStatusNotifierItem"));
    m << service();
    QDBusConnection::sessionBus().asyncCall(m);
}

void StatusNotifierItem::hide()
{
    if (!shown_)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(service());
    bus.unregisterObject(kItemPath);
    bus.unregisterObject(kMenuPath);
    shown_ = false;
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
