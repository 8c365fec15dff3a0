#include "dialogs/docbinding.h"

DocBinding::Slot DocBinding::slotFor(const QString& url, const QString& infoSiteBase)
{
    // Compared as whole texts: no normalising of case, slashes or escapes.
    if (url == infoSiteBase + kWisdomPath)
        return Slot::Dom1;
    if (url == infoSiteBase + kIndexPath)
        return Slot::Dom2;
    return Slot::Dom;
}

DocBinding::DocBinding(const QString& infoSiteBase) : infoSiteBase_(infoSiteBase) {}

void DocBinding::documentComplete(quint64 docId, const QString& url)
{
    if (docId == 0)
        return;
    switch (slotFor(url, infoSiteBase_)) {
    case Slot::Dom1:
        dom1_ = docId;
        break;
    case Slot::Dom2:
        dom2_ = docId;
        break;
    case Slot::Dom:
        dom_ = docId;
        break;
    }
}

bool DocBinding::isBound(quint64 docId) const
{
    return docId != 0 && (docId == dom_ || docId == dom1_ || docId == dom2_);
}
