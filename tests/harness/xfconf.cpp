#include "harness/xfconf.h"

#include <QDBusAbstractAdaptor>
#include <QDBusContext>
#include <QDBusVariant>

namespace harness
{

namespace
{

const QString kXfconfService = QStringLiteral("org.xfce.Xfconf");
const QString kXfconfPath = QStringLiteral("/org/xfce/Xfconf");

} // namespace

// The store's interface: what a program asks of it.
class XfconfAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.xfce.Xfconf")
public:
    explicit XfconfAdaptor(Xfconf* store) : QDBusAbstractAdaptor(store), store_(store) {}

public slots:
    QDBusVariant GetProperty(const QString& channel, const QString& property)
    {
        const QVariant v = store_->value(channel, property);
        // An unset property reads as an empty string: the program must see no mode in it.
        return QDBusVariant(v.isValid() ? v : QVariant(QString()));
    }

private:
    Xfconf* store_;
};

Xfconf::Xfconf(const QString& busAddress) : service_(busAddress, QStringLiteral("xfconf"))
{
    new XfconfAdaptor(this);
}

Xfconf::~Xfconf() = default;

bool Xfconf::start()
{
    return service_.publish(this, kXfconfPath, kXfconfService);
}

} // namespace harness

#include "xfconf.moc"

#include "moc_xfconf.cpp" // meta-object code, compiled with this file
