#include "net/contextmenupairing.h"

std::optional<quint64> ContextMenuPairing::report(quint64 docId, qint64 nowMs)
{
    if (waiting_) {
        waiting_ = false;
        reportedDoc_ = 0;
        return docId;
    }
    reportedDoc_ = docId;
    reportedAt_ = nowMs;
    return std::nullopt;
}

std::optional<quint64> ContextMenuPairing::request(qint64 nowMs)
{
    const quint64 doc = reportedDoc_;
    reportedDoc_ = 0;
    if (doc != 0 && nowMs - reportedAt_ >= 0 && nowMs - reportedAt_ <= reportMaxAgeMs_) {
        waiting_ = false;
        return doc;
    }
    waiting_ = true;
    return std::nullopt;
}

std::optional<quint64> ContextMenuPairing::expire()
{
    if (!waiting_)
        return std::nullopt;
    waiting_ = false;
    return quint64(0);
}
