#include "alerts/messagepoll.h"

#include "alerts/pollhost.h"

// Placeholder until the polls land.
MessagePoll::MessagePoll(PollHost& host, QObject* parent) : QObject(parent), host_(host) {}
MessagePoll::~MessagePoll() = default;
void MessagePoll::armTimer1() { t = 0; tt = 0; }
void MessagePoll::markStart() { Start = QDateTime::currentDateTime(); EndTime = 720; }
void MessagePoll::Timer1_Timer() {}
void MessagePoll::Timer2_Timer() {}
void MessagePoll::Timer4_Timer() {}
void MessagePoll::TiXing() {}
void MessagePoll::TiXing_sxzv() {}
