#pragma once
// The popup notice "有新信息，请注意查看！": the item's title in the bottom-right corner, topmost,
// out of the taskbar, announced to a screen reader as an alert. A click loads the item's page into
// the member page's fourth frame and brings the main window back; left alone it closes on its
// third timer tick, unseen.
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

class Browser;
class FrameWatch;
class QLabel;
class QLineEdit;

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

    // What ShowMsn fills in: the hidden fields lblIndex, ZuNameTxT, ZiNameTxT, ZiUrlTxT and the
    // title label.
    // noticeId: the notice in the day's list that the popup shows (0: none).
    void setNotice(qint32 serial, const QString& ZuName, const QString& Ziname,
                   const QString& ZiUrl, quint64 noticeId = 0);
    quint64 noticeId() const { return noticeId_; }
    // The serial number in lblIndex, read as a whole number (0 when it is not one).
    qint64 serial() const;

signals:
    void clicked(quint64 noticeId);
    // Closed on its third tick, nobody having clicked it.
    void closedUnseen(quint64 noticeId);

public slots:
    void Timer1_Timer();
    // The click on the client area or either label.
    void Form_Click();

protected:
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Form_Load();
    void placeOnScreen();

    QLabel* Label1_;
    QLabel* lblIndex_;
    QLineEdit* ZuNameTxT_;
    QLineEdit* ZiNameTxT_;
    QLineEdit* ZiUrlTxT_;
    QTimer* Timer1_;
    FrameWatch* frameWatch_; // settles the popup in its corner by its own frame
    qint32 CloseTicks_ = 0;
    quint64 noticeId_ = 0;

    QPointer<QWidget> mainWindow_;
    QPointer<Browser> mainBrowser_;
    int clickWaitMs_;
    bool pressed_ = false;
    bool clicked_ = false;
};
