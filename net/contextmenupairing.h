#pragma once
// Pairs the engine's request for a context menu with the report of the document that got the
// right click. The two travel different ways from the page and may arrive in either order: a
// report waits a short while for its request, a request waits a short while for its report and
// then goes out without a document.
#include <QtGlobal>
#include <optional>

class ContextMenuPairing
{
public:
    ContextMenuPairing(qint64 reportMaxAgeMs, qint64 requestWaitMs)
        : reportMaxAgeMs_(reportMaxAgeMs), requestWaitMs_(requestWaitMs)
    {
    }

    // A document reported a right click at nowMs. Gives the menu to show now (its document)
    // when a request was waiting for it.
    std::optional<quint64> report(quint64 docId, qint64 nowMs);
    // The engine asked for a menu at nowMs. Gives the document when a fresh report is there;
    // nothing means wait (call expire() once waitMs() has passed).
    std::optional<quint64> request(qint64 nowMs);
    // The request's wait ran out: gives 0 (no document known) when it was still waiting.
    std::optional<quint64> expire();

    bool waiting() const { return waiting_; }
    qint64 waitMs() const { return requestWaitMs_; }

private:
    qint64 reportMaxAgeMs_;
    qint64 requestWaitMs_;
    bool waiting_ = false;
    quint64 reportedDoc_ = 0;
    qint64 reportedAt_ = 0;
};
