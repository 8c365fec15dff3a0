#pragma once
// The program's top-level windows of one class, as the windows under test left them.
#include <QApplication>
#include <QList>
#include <QWidget>

template <typename Window> QList<Window*> topWindows(bool visibleOnly = false)
{
    QList<Window*> found;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<Window*>(w); window && (!visibleOnly || w->isVisible()))
            found.append(window);
    }
    return found;
}
