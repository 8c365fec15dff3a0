#pragma once
// The message poll (Timer1 / TiXing), the running-time limit (Timer2) and the dormant series poll
// (Timer4 / TiXing_sxzv) of the main window.
#include "alerts/listcompare.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class PollHost;
class QTimer;

class MessagePoll : public QObject
{
    Q_OBJECT
public:
    // The timers are children named "Timer1", "Timer2" and "Timer4". Timer2 runs from here on;
    // Timer1 waits for armTimer1(); Timer4 never starts.
    explicit MessagePoll(PollHost& host, QObject* parent = nullptr);
    ~MessagePoll() override;

    // Start-up: Timer1 at 30000 ms, enabled; t and tt to 0.
    void armTimer1();
    // Start-up: Start to now, EndTime to 720.
    void markStart();

    // Seams: the clock ("now" for the request stamp and the running-time limit) and the page
    // fetch (url -> body, nothing on failure).
    using Clock = std::function<QDateTime()>;
    using Fetcher = std::function<std::optional<QString>(const QString& url)>;
    void setClock(Clock clock);
    void setFetcher(Fetcher fetch);

signals:
    // The message list of the chosen line came (a whole answer, whatever it holds).
    void lineAnswered();

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
    QTimer* Timer1_;
    QTimer* Timer2_;
    QTimer* Timer4_;

    // Ticks of Timer1 and Timer4 since their poll last ended.
    qint32 t_ = 0;
    qint32 tt_ = 0;
    // The running-time limit: the start and the minutes allowed from it.
    QDateTime Start_;
    qint16 EndTime_ = 720;
    // Each poll's baseline: the list the next valid one is compared with.
    QString bak_;
    QString bak_sxzv_;
};
