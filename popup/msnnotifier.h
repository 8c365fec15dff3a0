#pragma once
// ShowMsn and the popup serial counter MsnCount.
#include <QObject>
#include <QPointer>
#include <QString>

class Browser;
class NoticeCentre;
class QWidget;

class MsnNotifier : public QObject
{
    Q_OBJECT
public:
    // mainWindow: restored by a popup click and minimised by the minimise rule; mainBrowser: the
    // member page whose fourth frame receives the item's page; notices: the day's list that
    // keeps every notice and learns what became of it (none: popups alone).
    MsnNotifier(QWidget* mainWindow, Browser* mainBrowser, NoticeCentre* notices = nullptr,
                QObject* parent = nullptr);
    ~MsnNotifier() override;

    // Declines a title as ever; otherwise the notice goes into the day's list, and its popup
    // opens unless the desktop says do not disturb.
    void ShowMsn(const QString& ZuName, const QString& Ziname, const QString& ZiUrl);
    // Opens a notice of the list as a click on its popup does; its popup, when still open, goes.
    void openNotice(quint64 id, const QString& url);
    qint32 MsnCount() const { return msnCount_; }

    // Interval of each new popup's closing timer; 60000 ms unless a test shortens it.
    void setPopupTickInterval(int ms) { tickMs_ = ms; }

private:
    QPointer<QWidget> mainWindow_;
    QPointer<Browser> mainBrowser_;
    QPointer<NoticeCentre> notices_;
    qint32 msnCount_ = 0;
    int tickMs_ = 60000;
};
