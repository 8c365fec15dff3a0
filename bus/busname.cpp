#include "bus/busname.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>

BusName::BusName(const QString& name, QObject* parent) : QObject(parent), name_(name)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    // The watch is in place before the question goes out, so no change falls between the two.
    auto* watcher =
        new QDBusServiceWatcher(name, bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(
        watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
        [this](const QString&, const QString&, const QString& newOwner) { setOwner(newOwner); });
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetNameOwner"));
    ask << name;
    auto* pending = new QDBusPendingCallWatcher(bus.asyncCall(ask), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QString> reply = *w;
        // A change the bus reported meanwhile is as new as this answer; no owner is an error.
        if (!known_)
            setOwner(reply.isError() ? QString() : reply.value());
    });
}

void BusName::setOwner(const QString& owner)
{
    if (known_ && owner == owner_)
        return;
    known_ = true;
    owner_ = owner;
    emit ownerChanged(owner_);
}

#include "moc_busname.cpp" // meta-object code, compiled with this file
