#pragma once
// ShowMsn and the popup serial counter MsnCount.
#include <QObject>
#include <QPointer>
#include <QString>

class Browser;
class QWidget;

class MsnNotifier : public QObject
{
    Q_OBJECT
public:
    // mainWindow: restored by a popup click and minimised by the minimise rule; mainBrowser: the
    // member page whose fourth frame receives the item's page.
    MsnNotifier(QWidget* mainWindow, Browser* mainBrowser, QObject* parent = nullptr);
    ~MsnNotifier() override;

    void ShowMsn(const QString& ZuName, const QString& Ziname, const QString& ZiUrl);
    qint32 MsnCount() const { return msnCount_; }

    // Interval of each new popup's closing timer; 60000 ms unless a test shortens it.
    void setPopupTickInterval(int ms) { tickMs_ = ms; }

private:
    QPointer<QWidget> mainWindow_;
    QPointer<Browser> mainBrowser_;
    qint32 msnCount_ = 0;
    int tickMs_ = 60000;
};
