#pragma once
// How many windows a page may open on its own: a handful in a few seconds. A page's script that
// asks for windows in a loop gets no more than that, whether they would be our own browser
// windows or hand-offs to the default browser; a member's click always opens its window.
#include <QtGlobal>
#include <deque>

class NewWindowRate
{
public:
    static constexpr int kMaxUnrequested = 3;
    static constexpr qint64 kPeriodMs = 5000;

    // Whether a request made at nowMs (a steady clock) may open a window; one not asked for by
    // the member counts against the rate when it may.
    bool allow(qint64 nowMs, bool userInitiated);

private:
    std::deque<qint64> unrequested_; // times of the recent windows no member asked for
};
