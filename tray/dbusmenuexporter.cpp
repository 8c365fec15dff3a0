#include "tray/dbusmenuexporter.h"

#include <QAction>
#include <QActionGroup>
#include <QDBusArgument>
#include <QDBusMetaType>
#include <QEvent>
#include <QMenu>
#include <QTimer>

QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuLayoutItem& item)
{
    arg.beginStructure();
    arg << item.id << item.properties;
    arg.beginArray(qMetaTypeId<QDBusVariant>());
    for (const DBusMenuLayoutItem& child : item.children)
        arg << QDBusVariant(QVariant::fromValue(child));
    arg.endArray();
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuLayoutItem& item)
{
    arg.beginStructure();
    arg >> item.id >> item.properties;
    arg.beginArray();
    item.children.clear();
    while (!arg.atEnd()) {
        QDBusVariant v;
        arg >> v;
        item.children.append(qdbus_cast<DBusMenuLayoutItem>(v.variant()));
    }
    arg.endArray();
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuItem& item)
{
    arg.beginStructure();
    arg << item.id << item.properties;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuItem& item)
{
    arg.beginStructure();
    arg >> item.id >> item.properties;
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuItemKeys& keys)
{
    arg.beginStructure();
    arg << keys.id << keys.properties;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuItemKeys& keys)
{
    arg.beginStructure();
    arg >> keys.id >> keys.properties;
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const DBusMenuEvent& event)
{
    arg.beginStructure();
    arg << event.id << event.eventId << event.data << event.timestamp;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DBusMenuEvent& event)
{
    arg.beginStructure();
    arg >> event.id >> event.eventId >> event.data >> event.timestamp;
    arg.endStructure();
    return arg;
}

void DBusMenuExporter::registerTypes()
{
    static const bool done = [] {
        qDBusRegisterMetaType<DBusMenuLayoutItem>();
        qDBusRegisterMetaType<DBusMenuItem>();
        qDBusRegisterMetaType<DBusMenuItemList>();
        qDBusRegisterMetaType<DBusMenuItemKeys>();
        qDBusRegisterMetaType<DBusMenuItemKeysList>();
        qDBusRegisterMetaType<DBusMenuEvent>();
        qDBusRegisterMetaType<DBusMenuEventList>();
        return true;
    }();
    Q_UNUSED(done);
}

void DBusMenuObject::refuse(const QString& what)
{
    if (calledFromDBus())
        sendErrorReply(QDBusError::InvalidArgs, what);
}

DBusMenuExporter::DBusMenuExporter(DBusMenuObject* object, QMenu* menu)
    : QDBusAbstractAdaptor(object), object_(object), menu_(menu)
{
    registerTypes();
    if (menu)
        watch(menu);
}

QString DBusMenuExporter::label(const QString& actionText)
{
    QString out;
    out.reserve(actionText.size());
    for (qsizetype i = 0; i < actionText.size(); ++i) {
        const QChar c = actionText.at(i);
        if (c == QLatin1Char('&') && i + 1 < actionText.size()) {
            // "&&" is a plain "&"; "&x" makes x the mnemonic.
            const QChar next = actionText.at(++i);
            out += next == QLatin1Char('&') ? QStringLiteral("&") : QLatin1Char('_') + next;
        } else if (c == QLatin1Char('_')) {
            out += QStringLiteral("__");
        } else {
            out += c;
        }
    }
    return out;
}

int DBusMenuExporter::idOf(QAction* action)
{
    auto it = ids_.find(action);
    if (it != ids_.end())
        return *it;
    const int id = nextId_++;
    ids_.insert(action, id);
    actions_.insert(id, action);
    connect(action, &QObject::destroyed, this, [this, action, id] {
        ids_.remove(action);
        actions_.remove(id);
    });
    if (QMenu* sub = action->menu<QMenu*>())
        watch(sub);
    return id;
}

QAction* DBusMenuExporter::actionOf(int id) const
{
    return actions_.value(id).data();
}

QMenu* DBusMenuExporter::menuOf(int id) const
{
    if (id == 0)
        return menu_;
    QAction* a = actionOf(id);
    return a ? a->menu<QMenu*>() : nullptr;
}

void DBusMenuExporter::watch(QMenu* menu)
{
    menu->installEventFilter(this);
}

bool DBusMenuExporter::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::ActionAdded:
    case QEvent::ActionRemoved:
    case QEvent::ActionChanged:
        layoutChanged();
        break;
    default:
        break;
    }
    return QDBusAbstractAdaptor::eventFilter(watched, event);
}

void DBusMenuExporter::layoutChanged()
{
    if (changePending_)
        return;
    changePending_ = true;
    ++revision_;
    QTimer::singleShot(0, this, [this] {
        changePending_ = false;
        emit LayoutUpdated(revision_, 0);
    });
}

QVariantMap DBusMenuExporter::properties(int id, const QStringList& names) const
{
    QVariantMap p;
    if (id == 0) {
        p.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
    } else if (QAction* a = actionOf(id)) {
        if (a->isSeparator()) {
            p.insert(QStringLiteral("type"), QStringLiteral("separator"));
        } else {
            p.insert(QStringLiteral("label"), label(a->text()));
            if (a->menu<QMenu*>())
                p.insert(QStringLiteral("children-display"), QStringLiteral("submenu"));
            if (a->isCheckable()) {
                p.insert(QStringLiteral("toggle-type"),
                         a->actionGroup() && a->actionGroup()->isExclusive()
                             ? QStringLiteral("radio")
                             : QStringLiteral("checkmark"));
                p.insert(QStringLiteral("toggle-state"), a->isChecked() ? 1 : 0);
            }
        }
        // Defaults (enabled, visible) are left out, as the protocol asks.
        if (!a->isEnabled())
            p.insert(QStringLiteral("enabled"), false);
        if (!a->isVisible())
            p.insert(QStringLiteral("visible"), false);
    }
    if (!names.isEmpty()) {
        for (auto it = p.begin(); it != p.end();) {
            if (names.contains(it.key()))
                ++it;
            else
                it = p.erase(it);
        }
    }
    return p;
}

DBusMenuLayoutItem DBusMenuExporter::layoutOf(int id, int depth, const QStringList& names)
{
    DBusMenuLayoutItem item;
    item.id = id;
    item.properties = properties(id, names);
    QMenu* menu = menuOf(id);
    if (menu && depth != 0) {
        for (QAction* a : menu->actions())
            item.children.append(layoutOf(idOf(a), depth < 0 ? -1 : depth - 1, names));
    }
    return item;
}

uint DBusMenuExporter::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                 DBusMenuLayoutItem& layout)
{
    if (!known(parentId)) {
        refuse(QStringLiteral("no menu entry %1").arg(parentId));
        return revision_;
    }
    layout = layoutOf(parentId, recursionDepth, propertyNames);
    return revision_;
}

DBusMenuItemList DBusMenuExporter::GetGroupProperties(const QList<int>& ids,
                                                      const QStringList& propertyNames)
{
    DBusMenuItemList items;
    // Entries the menu does not have are left out, as the protocol asks.
    for (int id : ids) {
        if (known(id))
            items.append({id, properties(id, propertyNames)});
    }
    return items;
}

QDBusVariant DBusMenuExporter::GetProperty(int id, const QString& name)
{
    // A property left at its default is not set: a value the bus could not carry otherwise.
    const QVariant value = known(id) ? properties(id, {name}).value(name) : QVariant();
    if (!value.isValid()) {
        refuse(known(id) ? QStringLiteral("menu entry %1 has no property %2").arg(id).arg(name)
                         : QStringLiteral("no menu entry %1").arg(id));
        return QDBusVariant(QString());
    }
    return QDBusVariant(value);
}

void DBusMenuExporter::Event(int id, const QString& eventId, const QDBusVariant&, uint)
{
    if (!known(id)) {
        refuse(QStringLiteral("no menu entry %1").arg(id));
        return;
    }
    if (eventId == QLatin1String("clicked")) {
        QAction* a = actionOf(id);
        // After the host's call has its answer: the entry may end the program.
        if (a && a->isEnabled() && !a->menu<QMenu*>())
            QTimer::singleShot(0, a, &QAction::trigger);
    } else if (eventId == QLatin1String("opened")) {
        if (QMenu* menu = menuOf(id))
            open(menu);
    }
}

QList<int> DBusMenuExporter::EventGroup(const DBusMenuEventList& events)
{
    QList<int> errors;
    for (const DBusMenuEvent& e : events) {
        if (!known(e.id))
            errors.append(e.id);
        else
            Event(e.id, e.eventId, e.data, e.timestamp);
    }
    return errors;
}

bool DBusMenuExporter::AboutToShow(int id)
{
    QMenu* menu = menuOf(id);
    if (!menu) {
        refuse(QStringLiteral("menu entry %1 opens no menu").arg(id));
        return false;
    }
    return open(menu);
}

bool DBusMenuExporter::open(QMenu* menu)
{
    const uint before = revision_;
    // What a menu says when it is about to show, so that it can bring itself up to date.
    QMetaObject::invokeMethod(menu, "aboutToShow");
    return revision_ != before;
}

QList<int> DBusMenuExporter::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors)
{
    QList<int> updates;
    for (int id : ids) {
        QMenu* menu = menuOf(id);
        if (!menu)
            idErrors.append(id);
        else if (open(menu))
            updates.append(id);
    }
    return updates;
}

#include "moc_dbusmenuexporter.cpp" // meta-object code, compiled with this file
