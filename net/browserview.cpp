#include "net/browserview.h"

#include <QContextMenuEvent>

void BrowserView::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    if (onContextMenu)
        onContextMenu();
}

#include "moc_browserview.cpp" // meta-object code, compiled with this file
