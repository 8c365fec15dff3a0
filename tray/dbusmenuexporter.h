#pragma once
// A QMenu on the session bus as a StatusNotifier host shows it (com.canonical.dbusmenu, version
// 3): its entries, separators and submenus, followed as they change; a host's click triggers the
// entry, and a host opening a submenu (AboutToShow, or its "opened" event) is the submenu's
// aboutToShow, as a click on it would be in the menu itself. Every call is answered: one about an
// entry or a property the menu does not have gets an error reply at once (a caller left without a
// reply would wait for the bus's timeout).
#include <QDBusAbstractAdaptor>
#include <QDBusContext>
#include <QDBusVariant>
#include <QHash>
#include <QList>
#include <QPointer>
#include <QStringList>
#include <QVariantMap>

class QAction;
class QMenu;

struct DBusMenuLayoutItem {
    int id = 0;
    QVariantMap properties;
    QList<DBusMenuLayoutItem> children;
};
struct DBusMenuItem {
    int id = 0;
    QVariantMap properties;
};
struct DBusMenuItemKeys {
    int id = 0;
    QStringList properties;
};
struct DBusMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
using DBusMenuItemList = QList<DBusMenuItem>;
using DBusMenuItemKeysList = QList<DBusMenuItemKeys>;
using DBusMenuEventList = QList<DBusMenuEvent>;
Q_DECLARE_METATYPE(DBusMenuLayoutItem)
Q_DECLARE_METATYPE(DBusMenuItem)
Q_DECLARE_METATYPE(DBusMenuItemKeys)
Q_DECLARE_METATYPE(DBusMenuEvent)

// What is registered on the bus for a menu; its exporter is its adaptor. The bus tells the object,
// not the adaptor, which call is being answered: the exporter refuses a call through it.
class DBusMenuObject : public QObject, protected QDBusContext
{
    Q_OBJECT
public:
    using QObject::QObject;
    // Answers the call being handled with an error; nothing outside a call over the bus.
    void refuse(const QString& what);
};

class DBusMenuExporter : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

public:
    // object: what is registered on the bus (the exporter is its adaptor); menu: the menu shown.
    DBusMenuExporter(DBusMenuObject* object, QMenu* menu);
    static void registerTypes();

    uint version() const { return 3; }
    QString textDirection() const { return QStringLiteral("ltr"); }
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

    // A QAction's text as the host shows it: dbusmenu's mnemonic is "_", Qt's "&".
    static QString label(const QString& actionText);

public slots:
    uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                   DBusMenuLayoutItem& layout);
    DBusMenuItemList GetGroupProperties(const QList<int>& ids, const QStringList& propertyNames);
    QDBusVariant GetProperty(int id, const QString& name);
    void Event(int id, const QString& eventId, const QDBusVariant& data, uint timestamp);
    QList<int> EventGroup(const DBusMenuEventList& events);
    bool AboutToShow(int id);
    QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

signals:
    void ItemsPropertiesUpdated(const DBusMenuItemList& updated,
                                const DBusMenuItemKeysList& removed);
    void LayoutUpdated(uint revision, int parent);
    void ItemActivationRequested(int id, uint timestamp);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int idOf(QAction* action);
    QAction* actionOf(int id) const;
    QMenu* menuOf(int id) const; // the menu an entry opens (the root menu for 0)
    bool known(int id) const { return id == 0 || actionOf(id); }
    // Tells a caller over the bus that it asked about something the menu does not have.
    void refuse(const QString& what) { object_->refuse(what); }
    // The host opens a submenu: it brings itself up to date; true when its layout changed.
    bool open(QMenu* menu);
    void watch(QMenu* menu);
    QVariantMap properties(int id, const QStringList& names) const;
    DBusMenuLayoutItem layoutOf(int id, int depth, const QStringList& names);
    // Tells the host once, after the present change is complete.
    void layoutChanged();

    DBusMenuObject* object_;
    QPointer<QMenu> menu_;
    QHash<QAction*, int> ids_;
    QHash<int, QPointer<QAction>> actions_;
    int nextId_ = 1;
    uint revision_ = 1;
    bool changePending_ = false;
};
