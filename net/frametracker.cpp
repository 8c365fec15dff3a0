#include "net/frametracker.h"

void FrameTracker::loadStarted()
{
    started_ = true;
    loading_ = true;
}

void FrameTracker::loadFinished()
{
    started_ = true;
    loading_ = false;
}

bool FrameTracker::apply(const FrameReport& r)
{
    switch (r.kind) {
    case FrameReport::Created:
        if (r.isTop && r.docId != topId_) {
            // A new page: the documents of the old one are gone with it.
            docs_.clear();
            topId_ = r.docId;
        }
        docs_.insert(r.docId, false);
        return false;
    case FrameReport::Loaded: {
        if (r.isTop && topId_ != r.docId) {
            docs_.clear();
            topId_ = r.docId;
        }
        auto it = docs_.find(r.docId);
        if (it == docs_.end()) {
            docs_.insert(r.docId, true);
            return true;
        }
        const bool wasComplete = it.value();
        it.value() = true;
        return !wasComplete;
    }
    case FrameReport::Gone:
        docs_.remove(r.docId);
        if (r.docId == topId_)
            topId_ = 0;
        return false;
    case FrameReport::ContextMenu:
        return false;
    }
    return false;
}

int FrameTracker::readyState() const
{
    if (!started_)
        return Uninitialized;
    if (loading_)
        return Loading;
    for (auto it = docs_.cbegin(); it != docs_.cend(); ++it) {
        if (!it.value())
            return Loading;
    }
    return Complete;
}
