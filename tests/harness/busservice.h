#pragma once
// A service a test plays on a bus (a notification server, a StatusNotifier watcher, a settings
// store), on a connection of its own, so that the bus sees it as another program. What it
// published is withdrawn and the connection closed when it goes.
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QString>

namespace harness
{

class BusService
{
public:
    // tag names the connection in Qt's list (a number makes each one's name its own).
    BusService(const QString& busAddress, const QString& tag);
    ~BusService();
    BusService(const BusService&) = delete;
    BusService& operator=(const BusService&) = delete;

    QDBusConnection& bus() { return bus_; }
    // Exports object's adaptors at path and takes the name service; false when the bus is not
    // connected or either fails.
    bool publish(QObject* object, const QString& path, const QString& service,
                 QDBusConnectionInterface::ServiceQueueOptions queue =
                     QDBusConnectionInterface::DontQueueService,
                 QDBusConnectionInterface::ServiceReplacementOptions replacement =
                     QDBusConnectionInterface::DontAllowReplacement);

private:
    QString name_;
    QDBusConnection bus_;
    QString path_;
    QString service_;
};

} // namespace harness
