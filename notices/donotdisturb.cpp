#include "notices/donotdisturb.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <array>

namespace
{

const QString kNotifications = QStringLiteral("org.freedesktop.Notifications");
const QString kNotificationsPath = QStringLiteral("/org/freedesktop/Notifications");

QDBusMessage propertyGet(const QString& service, const QString& path, const QString& interface,
                         const QString& name)
{
    QDBusMessage get = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << interface << name;
    return get;
}

} // namespace

bool DoNotDisturb::now()
{
    if (!asked_.isValid() || asked_.elapsed() >= kRememberMs) {
        if (!gnome_)
            gnome_.emplace();
        answer_ = !gnome_->showBanners() || busSaysQuiet();
        asked_.start();
    }
    return answer_;
}

bool DoNotDisturb::busSaysQuiet()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage xfconf = QDBusMessage::createMethodCall(
        QStringLiteral("org.xfce.Xfconf"), QStringLiteral("/org/xfce/Xfconf"),
        QStringLiteral("org.xfce.Xfconf"), QStringLiteral("GetProperty"));
    xfconf << QStringLiteral("xfce4-notifyd") << QStringLiteral("/do-not-disturb");
    std::array<QDBusMessage, 3> questions{
        propertyGet(kNotifications, kNotificationsPath, kNotifications,
                    QStringLiteral("Inhibited")),
        propertyGet(kNotifications, kNotificationsPath, QStringLiteral("org.dunstproject.cmd0"),
                    QStringLiteral("paused")),
        xfconf,
    };
    // Asked together, each bounded: the wait is that of the slowest, at most kCallWaitMs. Nothing
    // is started to answer: a desktop without the service has no such mode.
    QList<QDBusPendingCall> answers;
    for (QDBusMessage& question : questions) {
        question.setAutoStartService(false);
        answers.append(bus.asyncCall(question, kCallWaitMs));
    }
    bool quiet = false;
    for (QDBusPendingCall& answer : answers) {
        answer.waitForFinished();
        const QDBusMessage reply = answer.reply();
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
            quiet = quiet || reply.arguments().first().value<QDBusVariant>().variant().toBool();
    }
    return quiet;
}
