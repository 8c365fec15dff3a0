#include "alerts/messagepoll.h"

#include "alerts/listcompare.h"
#include "alerts/pollhost.h"
#include "alerts/requesturl.h"
#include "alerts/runtimelimit.h"
#include "net/pagefetch.h"
#include "startup/appstate.h"
#include "startup/categories.h"
#include "startup/settings.h"
#include "startup/trace.h"

#include <QPointer>
#include <QTimer>
#include <array>
#include <limits>

namespace
{

QTimer* namedTimer(const char* name, QObject* parent)
{
    auto* timer = new QTimer(parent);
    timer->setObjectName(QLatin1String(name));
    return timer;
}

} // namespace

MessagePoll::MessagePoll(PollHost& host, QObject* parent)
    : QObject(parent), host_(host), clock_([] { return QDateTime::currentDateTime(); }),
      fetch_([](const QString& url) { return FetchPageText(url, QStringLiteral("GB2312")); }),
      Timer1_(namedTimer("Timer1", this)), Timer2_(namedTimer("Timer2", this)),
      Timer4_(namedTimer("Timer4", this))
{
    connect(Timer1_, &QTimer::timeout, this, &MessagePoll::Timer1_Timer);
    connect(Timer2_, &QTimer::timeout, this, &MessagePoll::Timer2_Timer);
    connect(Timer4_, &QTimer::timeout, this, &MessagePoll::Timer4_Timer);
    Timer2_->setInterval(60000);
    Timer2_->start();
    // Timer1 gets its interval at start-up; Timer4 has none and is never started.
}

MessagePoll::~MessagePoll() = default;

void MessagePoll::setClock(Clock clock)
{
    clock_ = std::move(clock);
}

void MessagePoll::setFetcher(Fetcher fetch)
{
    fetch_ = std::move(fetch);
}

void MessagePoll::armTimer1()
{
    Timer1_->setInterval(Trace::intervalMs("ZV_TEST_POLL_MS", 30000));
    Timer1_->start();
    t_ = 0;
    tt_ = 0;
}

void MessagePoll::markStart()
{
    Start_ = clock_();
    EndTime_ = 720;
}

void MessagePoll::Timer1_Timer()
{
    countedTick(t_, 1, &MessagePoll::TiXing);
}

void MessagePoll::Timer2_Timer()
{
    if (RunTimeLimit::exceeded(Start_, clock_(), EndTime_))
        host_.endProgram();
}

void MessagePoll::Timer4_Timer()
{
    countedTick(tt_, 10, &MessagePoll::TiXing_sxzv);
}

void MessagePoll::countedTick(qint32& counter, qint32 due, void (MessagePoll::*poll)())
{
    // Ticks that arrive while a poll waits only raise the counter; the poll's end clears it.
    if (counter < std::numeric_limits<qint32>::max())
        ++counter;
    if (counter != due)
        return;
    QPointer<MessagePoll> self(this);
    (this->*poll)();
    if (self)
        counter = 0;
}

bool MessagePoll::deliver(const QList<ListCompare::Announcement>& announcements)
{
    // Popups and sounds let other events run; the window may be gone when they return.
    QPointer<MessagePoll> self(this);
    for (const ListCompare::Announcement& a : announcements) {
        // Each step runs whatever became of the one before: a popup that could not open still
        // has its sound, and the next rows still come.
        if (a.notice)
            host_.ShowMsn(a.notice->ZuName, a.notice->Ziname, a.notice->ZiUrl);
        if (!self)
            return false;
        if (!a.soundFile.isEmpty())
            host_.PlayWavFile(SoundPath(a.soundFile), 1, 5);
        if (!self)
            return false;
    }
    return true;
}

void MessagePoll::TiXing()
{
    const QString url = RequestUrl::messageList(mod_Main::currentLineUrl(), clock_());
    QPointer<MessagePoll> self(this);
    const std::optional<QString> body = fetch_(url);
    if (!self)
        return;
    if (body)
        emit lineAnswered();
    if (!self)
        return;
    const QString response = body.value_or(QString());
    if (!ListCompare::isMessageList(response))
        return;
    if (response.isEmpty())
        return;
    if (bak_.isEmpty())
        bak_ = response;
    if (response == bak_)
        return;

    const int check1 = host_.check1State();
    if (check1 == 1) {
        std::array<int, 8> boxes{};
        for (size_t i = 0; i < boxes.size(); ++i)
            boxes[i] = host_.categoryState(QLatin1String(categoryOfLine(int(i)).box));
        // The line to link to is the one chosen now, which may differ from the one fetched from.
        const auto announcements = ListCompare::messageAnnouncements(
            bak_, response, check1, boxes, host_.shengyinState(), mod_Main::currentLineUrl());
        if (!deliver(announcements))
            return;
    }
    bak_ = response;
}

void MessagePoll::TiXing_sxzv()
{
    const QString url = RequestUrl::seriesList(mod_Main::currentLineUrl(), clock_());
    QPointer<MessagePoll> self(this);
    const std::optional<QString> body = fetch_(url);
    if (!self)
        return;
    if (body)
        emit lineAnswered();
    if (!self)
        return;
    const QString response = body.value_or(QString());
    if (response.isEmpty())
        return;
    if (bak_sxzv_.isEmpty())
        bak_sxzv_ = response;
    if (response == bak_sxzv_)
        return;

    const int check2 = host_.check2State();
    if (check2 == 1) {
        const auto announcements = ListCompare::seriesAnnouncements(
            bak_sxzv_, response, check2, host_.shengyinState(), mod_Main::currentLineUrl());
        if (!deliver(announcements))
            return;
    }
    bak_sxzv_ = response;
}

#include "moc_messagepoll.cpp" // meta-object code, compiled with this file
