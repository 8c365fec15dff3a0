#include "harness/busservice.h"

namespace harness
{

namespace
{

QString connectionName(const QString& busAddress, const QString& tag)
{
    static int made = 0;
    return QStringLiteral("%1#%2%3").arg(busAddress, tag).arg(++made);
}

} // namespace

BusService::BusService(const QString& busAddress, const QString& tag)
    : name_(connectionName(busAddress, tag)), bus_(QDBusConnection::connectToBus(busAddress, name_))
{
}

BusService::~BusService()
{
    if (!service_.isEmpty())
        bus_.unregisterService(service_);
    if (!path_.isEmpty())
        bus_.unregisterObject(path_);
    QDBusConnection::disconnectFromBus(name_);
}

bool BusService::publish(QObject* object, const QString& path, const QString& service,
                         QDBusConnectionInterface::ServiceQueueOptions queue,
                         QDBusConnectionInterface::ServiceReplacementOptions replacement)
{
    if (!bus_.isConnected() || !bus_.registerObject(path, object, QDBusConnection::ExportAdaptors))
        return false;
    path_ = path;
    const auto registered = bus_.interface()->registerService(service, queue, replacement);
    if (!registered.isValid() || registered.value() != QDBusConnectionInterface::ServiceRegistered)
        return false;
    service_ = service;
    return true;
}

} // namespace harness
