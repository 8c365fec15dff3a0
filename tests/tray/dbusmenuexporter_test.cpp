// The tray menu as a StatusNotifier host reads it over the bus (com.canonical.dbusmenu), called
// over a real D-Bus connection between two peers of this test (no bus daemon): the layout and
// properties a host shows, a host's click and its opening of a submenu, and an error reply at once
// for anything the menu does not have, never a caller left waiting.
#include "support/waitfor.h"
#include "tray/dbusmenuexporter.h"

#include <QAction>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServer>
#include <QDBusVariant>
#include <QMenu>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

const QString kPath = QStringLiteral("/MenuBar");
const QString kInterface = QStringLiteral("com.canonical.dbusmenu");

class DBusMenuExporterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        recent = menu.addMenu(QStringLiteral("最近消息"));
        recent->addAction(QStringLiteral("09:05 类别 标题"));
        show = menu.addAction(QStringLiteral("显示程序"));
        menu.addAction(QStringLiteral("关闭退出"));
        new DBusMenuExporter(&object, &menu);

        ASSERT_TRUE(dir.isValid());
        server = std::make_unique<QDBusServer>(QStringLiteral("unix:dir=") + dir.path());
        ASSERT_TRUE(server->isConnected()) << server->lastError().message().toStdString();
        QObject::connect(
            server.get(), &QDBusServer::newConnection, [this](const QDBusConnection& c) {
                served = std::make_unique<QDBusConnection>(c);
                served->registerObject(kPath, &object, QDBusConnection::ExportAdaptors);
            });
        client = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToPeer(server->address(), QStringLiteral("host")));
        ASSERT_TRUE(client->isConnected());
        ASSERT_TRUE(waitFor([&] { return served != nullptr; }, 5000));
    }

    void TearDown() override { QDBusConnection::disconnectFromPeer(QStringLiteral("host")); }

    // A host's call.
    QDBusMessage call(const QString& method, const QVariantList& args)
    {
        QDBusMessage m = QDBusMessage::createMethodCall(QString(), kPath, kInterface, method);
        m.setArguments(args);
        return client->call(m, QDBus::BlockWithGui, 5000);
    }

    // The entries of the root menu as the host reads them: id, label, enabled.
    struct Entry {
        int id = 0;
        QString label;
        bool enabled = true;
        int children = 0;
    };
    QList<Entry> layout()
    {
        const QDBusMessage r = call(QStringLiteral("GetLayout"), {0, -1, QStringList()});
        if (r.type() != QDBusMessage::ReplyMessage || r.arguments().size() != 2)
            return {};
        const QDBusArgument root = r.arguments().at(1).value<QDBusArgument>();
        QList<Entry> entries;
        int id = 0;
        QVariantMap properties;
        root.beginStructure();
        root >> id >> properties;
        root.beginArray();
        while (!root.atEnd()) {
            QDBusVariant v;
            root >> v;
            const QDBusArgument node = v.variant().value<QDBusArgument>();
            Entry e;
            QVariantMap p;
            node.beginStructure();
            node >> e.id >> p;
            node.beginArray();
            while (!node.atEnd()) {
                QDBusVariant child;
                node >> child;
                ++e.children;
            }
            node.endArray();
            node.endStructure();
            e.label = p.value(QStringLiteral("label")).toString();
            e.enabled = p.value(QStringLiteral("enabled"), true).toBool();
            entries.append(e);
        }
        root.endArray();
        root.endStructure();
        return entries;
    }

    static bool isError(const QDBusMessage& m) { return m.type() == QDBusMessage::ErrorMessage; }
    // The menu's own answer that it has no such thing; a call left without any answer ends in
    // the caller's own error (NoReply) instead.
    static bool refused(const QDBusMessage& m)
    {
        return m.type() == QDBusMessage::ErrorMessage &&
               m.errorName() == QLatin1String("org.freedesktop.DBus.Error.InvalidArgs");
    }

    QMenu menu;
    QMenu* recent = nullptr;
    QAction* show = nullptr;
    DBusMenuObject object;
    QTemporaryDir dir;
    std::unique_ptr<QDBusServer> server;
    std::unique_ptr<QDBusConnection> served;
    std::unique_ptr<QDBusConnection> client;
};

TEST_F(DBusMenuExporterTest, layoutAndPropertiesAreTheMenus)
{
    const QList<Entry> entries = layout();
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries[0].label, QStringLiteral("最近消息"));
    EXPECT_EQ(entries[0].children, 1);
    EXPECT_EQ(entries[1].label, QStringLiteral("显示程序"));
    EXPECT_EQ(entries[2].label, QStringLiteral("关闭退出"));

    const QDBusMessage label =
        call(QStringLiteral("GetProperty"), {entries[1].id, QStringLiteral("label")});
    ASSERT_FALSE(isError(label)) << label.errorMessage().toStdString();
    EXPECT_EQ(label.arguments().value(0).value<QDBusVariant>().variant().toString(),
              QStringLiteral("显示程序"));

    // A disabled entry says so.
    recent->menuAction()->setEnabled(false);
    EXPECT_FALSE(layout().value(0).enabled);
}

TEST_F(DBusMenuExporterTest, aHostsClickTriggersTheEntryAndOpeningASubmenuPreparesIt)
{
    const QList<Entry> entries = layout();
    ASSERT_EQ(entries.size(), 3);
    int shown = 0;
    QObject::connect(show, &QAction::triggered, [&] { ++shown; });
    int opened = 0;
    QObject::connect(recent, &QMenu::aboutToShow, [&] { ++opened; });

    EXPECT_FALSE(
        isError(call(QStringLiteral("Event"), {entries[1].id, QStringLiteral("clicked"),
                                               QVariant::fromValue(QDBusVariant(0)), 0u})));
    EXPECT_TRUE(waitFor([&] { return shown == 1; }, 2000));
    EXPECT_FALSE(isError(call(QStringLiteral("AboutToShow"), {entries[0].id})));
    EXPECT_FALSE(
        isError(call(QStringLiteral("Event"), {entries[0].id, QStringLiteral("opened"),
                                               QVariant::fromValue(QDBusVariant(0)), 0u})));
    EXPECT_EQ(opened, 2);
}

TEST_F(DBusMenuExporterTest, whatTheMenuDoesNotHaveIsRefusedAtOnce)
{
    const QList<Entry> entries = layout();
    ASSERT_EQ(entries.size(), 3);
    const int unknown = 9999;
    EXPECT_TRUE(refused(call(QStringLiteral("GetProperty"), {unknown, QStringLiteral("label")})));
    // A property an entry does not set (an enabled entry's "enabled", a name the menu never uses).
    EXPECT_TRUE(
        refused(call(QStringLiteral("GetProperty"), {entries[1].id, QStringLiteral("enabled")})));
    EXPECT_TRUE(
        refused(call(QStringLiteral("GetProperty"), {entries[1].id, QStringLiteral("no-such")})));
    EXPECT_TRUE(refused(call(QStringLiteral("GetLayout"), {unknown, -1, QStringList()})));
    EXPECT_TRUE(refused(call(QStringLiteral("Event"), {unknown, QStringLiteral("clicked"),
                                                       QVariant::fromValue(QDBusVariant(0)), 0u})));
    // An entry that opens no menu.
    EXPECT_TRUE(refused(call(QStringLiteral("AboutToShow"), {entries[1].id})));
    // Entries left out of a group's answer, as the protocol asks; the rest answered.
    const QDBusMessage group = call(QStringLiteral("GetGroupProperties"),
                                    {QVariant::fromValue(QList<int>{entries[2].id, unknown}),
                                     QStringList{QStringLiteral("label")}});
    EXPECT_FALSE(isError(group)) << group.errorMessage().toStdString();
}

} // namespace
