#include "net/browserview.h"

#include <QChildEvent>
#include <QContextMenuEvent>

void BrowserView::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    if (onContextMenu)
        onContextMenu();
}

void BrowserView::childEvent(QChildEvent* event)
{
    if (event->added() && event->child()->isWidgetType())
        event->child()->installEventFilter(this);
    QWebEngineView::childEvent(event);
}

bool BrowserView::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::KeyPress:
    case QEvent::TouchBegin:
        if (onMemberInput)
            onMemberInput();
        break;
    default:
        break;
    }
    return QWebEngineView::eventFilter(watched, event);
}

#include "moc_browserview.cpp" // meta-object code, compiled with this file
