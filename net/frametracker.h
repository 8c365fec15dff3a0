#pragma once
// Which documents of the current page are complete, from the engine's load signals and the
// reports of the bridge script in each document. Gives the page's ready state.
#include "net/framereport.h"

#include <QHash>

class FrameTracker
{
public:
    enum State { Uninitialized = 0, Loading = 1, Complete = 4 };

    void loadStarted();  // the top document started to navigate
    void loadFinished(); // the engine finished (or gave up) loading the top document
    // Applies a report; true when it tells of a document that just became complete.
    bool apply(const FrameReport& report);

    // Complete once the engine is not loading the top document and every document reported in
    // the page since its creation has also reported its load.
    int readyState() const;
    quint64 topDocId() const { return topId_; }
    bool knows(quint64 docId) const { return docs_.contains(docId); }

private:
    bool started_ = false;
    bool loading_ = false;
    quint64 topId_ = 0;
    QHash<quint64, bool> docs_; // document id -> complete
};
