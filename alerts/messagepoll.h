#pragma once
// The message poll (Timer1 / TiXing), the running-time limit (Timer2) and the dormant series poll
// (Timer4 / TiXing_sxzv) of the main window.
#include "alerts/listcompare.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>

class PollHost;

class MessagePoll : public QObject
{
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

    // The poll's memory: baseline and latest valid list of each poll.
    QString bak;
    QString tmp;
    QString bak_sxzv;
    QString tmp_sxzv;

    QTimer Timer1;
    QTimer Timer2;
    QTimer Timer4;

    // Seams: the clock ("now" for the request stamp and the running-time limit) and the page
    // fetch (url -> body, nothing on failure).
    using Clock = std::function<QDateTime()>;
    using Fetcher = std::function<std::optional<QString>(const QString& url)>;
    void setClock(Clock clock);
    void setFetcher(Fetcher fetch);

public slots:
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer4_Timer();
    void TiXing();
    void TiXing_sxzv();

private:
    // Raises counter; on reaching due runs poll, then resets counter (when still alive).
    void countedTick(qint32& counter, qint32 due, void (MessagePoll::*poll)());
    // Opens the popups and requests the sounds in row order; false when this poll's window went
    // away meanwhile.
    bool deliver(const QList<ListCompare::Announcement>& announcements);

    PollHost& host_;
    Clock clock_;
    Fetcher fetch_;
};
