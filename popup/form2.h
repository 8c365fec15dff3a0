#pragma once
// The popup notice "有新信息，请注意查看！": the item's title in the bottom-right corner, topmost,
// out of the taskbar. A click loads the item's page into the member page's fourth frame and brings
// the main window back; left alone it closes on its third timer tick.
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

class Browser;
class QLabel;

class Form2 : public QWidget
{
    Q_OBJECT
public:
    // tickMs: interval of the closing timer (60000 in the program); clickWaitMs: how long a click
    // waits for the member page to take the item's address.
    Form2(QWidget* mainWindow, Browser* mainBrowser, int tickMs = 60000,
          int clickWaitMs = kClickWaitMs);

    static constexpr int kClickWaitMs = 5000;
    ~Form2() override;

    // What ShowMsn fills in.
    void setNotice(qint32 serial, const QString& ZuName, const QString& Ziname,
                   const QString& ZiUrl);

    // The popup's hidden fields.
    QString lblIndex;
    QString ZuNameTxT;
    QString ZiNameTxT;
    QString ZiUrlTxT;
    qint32 CloseTicks = 0;

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QTimer Timer1;

    // The pointing hand shown over the popup.
    static QCursor handCursor();

public slots:
    void Timer1_Timer();
    // The click on the client area or either label.
    void Form_Click();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Form_Load();
    void placeOnScreen();

    QPointer<QWidget> mainWindow_;
    QPointer<Browser> mainBrowser_;
    int clickWaitMs_;
    bool pressed_ = false;
    bool clicked_ = false;
};
