#pragma once
// The widget of a WebEngineBrowser; hands right clicks to the browser instead of showing the
// engine's menu at once.
#include <QWebEngineView>
#include <functional>

class BrowserView : public QWebEngineView
{
    Q_OBJECT
public:
    using QWebEngineView::QWebEngineView;

    std::function<void()> onContextMenu;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
};
