#pragma once
// The tray icon on a StatusNotifier desktop (KDE Plasma, Ubuntu's GNOME, Xfce, Deepin, waybar):
// an org.kde.StatusNotifierItem of our own on the session bus, with its menu (DBusMenuExporter).
// Qt's tray icon is one too, but it cannot say NeedsAttention for as long as notices are missed
// (only for the few seconds of a tray message); this one can, with an attention icon of its own.
//
// The panel's watcher (org.kde.StatusNotifierWatcher) may come after the program, go with a
// crashed panel and come back, or be replaced by another: the item is announced to whichever
// watcher is there, whenever one comes. It is on the screen only while a watcher has taken it and
// a host (the panel that draws items) is registered with that watcher. Every call on the bus is
// made without waiting for its answer, and none before start(): the program goes onto the bus
// once its main window's page has been asked for.
#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QIcon>
#include <QList>
#include <QObject>

class BusName;
class DBusMenuObject;
class QDBusMessage;
class QMenu;

struct SniPixmap {
    int width = 0;
    int height = 0;
    QByteArray argb; // 32-bit ARGB pixels in network byte order
};
using SniPixmapList = QList<SniPixmap>;
struct SniToolTip {
    QString iconName;
    SniPixmapList iconPixmap;
    QString title;
    QString description;
};
Q_DECLARE_METATYPE(SniPixmap)
Q_DECLARE_METATYPE(SniToolTip)

class StatusNotifierItem : public QObject
{
    Q_OBJECT
public:
    // menu: the icon's menu, shown by the host.
    StatusNotifierItem(QMenu* menu, QObject* parent = nullptr);
    ~StatusNotifierItem() override;

    void setIcon(const QIcon& icon);
    void setAttentionIcon(const QIcon& icon);
    void setToolTip(const QString& title, const QString& description);
    void setNeedsAttention(bool needs);

    // Connects to the session bus and follows the watcher from then on; an item shown before is
    // put on the bus now. Once only.
    void start();

    // On the bus and announced to every watcher that comes; hide() takes it off. Before start()
    // they only say whether it is to be there.
    void show();
    void hide();
    // Taken by a watcher whose host shows it.
    bool isShown() const { return registered_ && hostRegistered_; }
    // Whether the bus has answered what it was first asked (is there a watcher, and if so, does
    // it take the item and has it a host): until then, and before start(), nothing is known
    // either way.
    bool settled() const { return settled_; }

    // What the adaptor reads.
    QString status() const;
    SniPixmapList iconPixmap() const { return icon_.pixmaps; }
    SniPixmapList attentionIconPixmap() const { return attention_.pixmaps; }
    SniToolTip toolTip() const;

signals:
    // The host's Activate: a left click on the icon.
    void activated();
    // isShown() or settled() changed.
    void stateChanged();
    // Changes for the host.
    void newIcon();
    void newAttentionIcon();
    void newToolTip();
    void newStatus(const QString& status);

private slots:
    // The watcher's signals, from whoever sends them; only the watcher's own count.
    void onHostRegistered(const QDBusMessage& message);
    void onHostUnregistered(const QDBusMessage& message);

private:
    void watcherChanged(const QString& owner);
    void announce();
    void askForHost();
    void setState(bool registered, bool hostRegistered, bool settled);
    QString service() const;

    // An icon and its pictures for the host, drawn once the item goes onto the bus.
    struct Picture {
        QIcon icon;
        SniPixmapList pixmaps;
    };
    void draw(Picture& picture);

    DBusMenuObject* menuObject_;
    BusName* watcher_ = nullptr; // from start()
    Picture icon_;
    Picture attention_;
    bool started_ = false;
    bool shownBeforeStart_ = false;
    QString title_;
    QString description_;
    bool needsAttention_ = false;
    bool wanted_ = false;
    bool registered_ = false;
    bool hostRegistered_ = false;
    bool settled_ = false;
    quint64 round_ = 0; // answers of an earlier watcher's time are dropped
};

// The item's interface on the bus.
class StatusNotifierItemAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconName READ emptyName)
    Q_PROPERTY(SniPixmapList IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ emptyName)
    Q_PROPERTY(SniPixmapList OverlayIconPixmap READ noPixmap)
    Q_PROPERTY(QString AttentionIconName READ emptyName)
    Q_PROPERTY(SniPixmapList AttentionIconPixmap READ attentionIconPixmap)
    Q_PROPERTY(QString AttentionMovieName READ emptyName)
    Q_PROPERTY(SniToolTip ToolTip READ toolTip)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)

public:
    explicit StatusNotifierItemAdaptor(StatusNotifierItem* item);

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QStringLiteral("zvkb"); }
    QString title() const { return QStringLiteral("Zelvar快报"); }
    QString status() const { return item_->status(); }
    int windowId() const { return 0; }
    QString emptyName() const { return {}; }
    SniPixmapList iconPixmap() const { return item_->iconPixmap(); }
    SniPixmapList noPixmap() const { return {}; }
    SniPixmapList attentionIconPixmap() const { return item_->attentionIconPixmap(); }
    SniToolTip toolTip() const { return item_->toolTip(); }
    bool itemIsMenu() const { return false; }
    QDBusObjectPath menu() const { return QDBusObjectPath(QStringLiteral("/MenuBar")); }

public slots:
    void Activate(int x, int y);
    void SecondaryActivate(int x, int y);
    void ContextMenu(int x, int y);
    void Scroll(int delta, const QString& orientation);

signals:
    void NewTitle();
    void NewIcon();
    void NewAttentionIcon();
    void NewOverlayIcon();
    void NewToolTip();
    void NewStatus(const QString& status);

private:
    StatusNotifierItem* item_;
};
