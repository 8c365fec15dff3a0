#pragma once
// One event that the bridge script in a document (top page or frame) reports to the program.
#include <QString>
#include <QtGlobal>

struct FrameReport {
    enum Kind {
        Created,     // the document was created (its frame navigated)
        Loaded,      // the document's load event fired: it is complete
        Gone,        // the document was hidden or unloaded
        ContextMenu, // a trusted right click (or menu key) reached the document
    };
    Kind kind = Created;
    quint64 docId = 0;
    QString url;
    bool isTop = false;
};
