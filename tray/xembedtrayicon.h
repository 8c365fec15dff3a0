#pragma once
// The tray icon in an XEmbed notification area (the freedesktop.org system tray protocol: the
// systray of Xfce, MATE and LXDE panels, tint2, trayer, KDE's XEmbed proxy): a small window of
// ours that the tray takes in. Trays come and go and the icon follows them: a tray that appears
// later, or takes over from another, gets the icon; one that goes away gives it back, and nothing
// of ours is left on the screen. (Qt's own tray icon decides once per process, with a call on the
// session bus that waits for its answer, whether it is an XEmbed icon at all; the tray controller
// needs this kind and the StatusNotifier kind apart, at every moment, so this one is ours.)
// Outside X11 there is no such tray. The X server is asked nothing before start(): the program
// starts following the trays once its main window's page has been asked for.
#include <QAbstractNativeEventFilter>
#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>

class QMenu;
class QWidget;

class XEmbedTrayIcon : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    // What the member did on the icon. A right press also opens the menu.
    enum class Click { Left, LeftDouble, Right, Middle };

    explicit XEmbedTrayIcon(QMenu* menu, QObject* parent = nullptr);
    ~XEmbedTrayIcon() override;

    // Looks for the screen's tray now and follows every tray that comes or goes from then on;
    // an icon wanted before is docked as soon as a tray is found. Once only.
    void start();

    void setIcon(const QIcon& icon);
    QIcon icon() const { return icon_; }
    void setToolTip(const QString& tip);
    QString toolTip() const { return tip_; }

    // Wanted in the tray: docked whenever a tray is there, and at once when one comes.
    void setVisible(bool visible);
    bool isVisible() const { return visible_; }

    // An XEmbed tray is on the screen now.
    bool trayPresent() const { return tray_ != 0; }
    // The tray has taken the icon in.
    bool isDocked() const { return docked_; }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

signals:
    void clicked(XEmbedTrayIcon::Click click);
    // trayPresent() or isDocked() changed.
    void stateChanged();

private:
    void adoptTray(quint32 window);
    void dock();
    void undock();
    void setDocked(bool docked);

    QMenu* menu_;
    QIcon icon_;
    QString tip_;
    bool visible_ = false;
    bool docked_ = false;
    bool x11_ = false;
    quint32 root_ = 0;
    quint32 tray_ = 0; // the tray's window: the owner of the screen's tray selection
    QPointer<QWidget> window_;
};
