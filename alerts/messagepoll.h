#pragma once
// The message poll (Timer1 / TiXing), the running-time limit (Timer2) and the dormant series poll
// (Timer4 / TiXing_sxzv) of the main window.
#include <QDateTime>
#include <QObject>

class PollHost;

class MessagePoll : public QObject {
    Q_OBJECT
public:
    // Timer2 runs from here on; Timer1 waits for armTimer1(); Timer4 never starts.
    explicit MessagePoll(PollHost& host, QObject* parent = nullptr);
    ~MessagePoll() override;

    // Start-up: Timer1 at 30000 ms, enabled; t and tt to 0.
    void armTimer1();
    // Start-up: Start to now, EndTime to 720.
    void markStart();

    qint32 t = 0;
    qint32 tt = 0;
    QDateTime Start;
    qint16 EndTime = 720;

public slots:
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer4_Timer();
    void TiXing();
    void TiXing_sxzv();

private:
    PollHost& host_;
};
