#include "net/browserview.h"

#include <QContextMenuEvent>

void BrowserView::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    if (onContextMenu)
        onContextMenu();
}
