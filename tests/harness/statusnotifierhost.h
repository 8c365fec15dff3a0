#pragma once
// A StatusNotifier host of the tests' own on a private session bus, as the panels of KDE Plasma,
// Ubuntu's GNOME (AppIndicator) and Xfce are: it owns org.kde.StatusNotifierWatcher, takes the
// items programs register, and drives an item (org.kde.StatusNotifierItem) and its menu
// (com.canonical.dbusmenu) as such a panel does: reads the tip and the icon, activates the item
// (a left click) and clicks menu entries. Every call is bounded.
#include "harness/busservice.h"

#include <QList>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>

namespace harness
{

class StatusNotifierHost : public QObject
{
    Q_OBJECT
public:
    explicit StatusNotifierHost(const QString& busAddress);
    ~StatusNotifierHost() override;

    // Connects and takes the watcher's name; false when either fails. A later host may take the
    // name over (as `--replace` does); replace: this one takes it from the host there now.
    bool start(bool replace = false);

    // The service name of the first item registered within timeoutMs; empty on timeout.
    QString waitForItem(int timeoutMs = 20000);
    // Whether the item's service is still on the bus.
    bool itemAlive(const QString& item);

    // The tip's title and text, the item's status ("Active", "NeedsAttention"), and the sizes of
    // the icon's and the attention icon's pictures (each checked to hold w × h ARGB words);
    // nothing when the item does not answer.
    QString toolTipTitle(const QString& item);
    QString toolTipText(const QString& item);
    QString status(const QString& item);
    QList<QSize> iconSizes(const QString& item, const char* property = "IconPixmap");

    // A left click on the item.
    bool activate(const QString& item);

    struct MenuEntry {
        int id = 0;
        QString label;
        bool enabled = true;
        QList<MenuEntry> children; // a submenu's entries
    };
    // The entries of the item's menu, top level, in order, with their submenus.
    QList<MenuEntry> menu(const QString& item);
    bool clickMenuEntry(const QString& item, int id);
    // The member opens a submenu: the host tells the item it is about to show.
    bool openSubmenu(const QString& item, int id);

    // Called over the bus by the programs (the watcher's interface).
    void registerItem(const QString& serviceOrPath, const QString& sender);
    QStringList items() const { return items_; }

private:
    QVariant itemProperty(const QString& item, const char* name);
    QStringList toolTip(const QString& item); // title, text

    BusService service_;
    QStringList items_;
};

} // namespace harness
