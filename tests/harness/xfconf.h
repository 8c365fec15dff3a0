#pragma once
// Xfce's settings store as a test's own, on a private session bus (org.xfce.Xfconf, as xfconfd
// provides it in an Xfce session): it answers GetProperty for the values a test sets, and says
// there is no such property for any other.
#include "harness/busservice.h"

#include <QHash>
#include <QObject>
#include <QVariant>

namespace harness
{

class Xfconf : public QObject
{
    Q_OBJECT
public:
    explicit Xfconf(const QString& busAddress);
    ~Xfconf() override;

    // Connects and takes the store's name; false when either fails.
    bool start();
    void set(const QString& channel, const QString& property, const QVariant& value)
    {
        values_.insert(channel + property, value);
    }
    // The value, invalid when none was set.
    QVariant value(const QString& channel, const QString& property) const
    {
        return values_.value(channel + property);
    }

private:
    BusService service_;
    QHash<QString, QVariant> values_;
};

} // namespace harness
