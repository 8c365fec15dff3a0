#pragma once
// The widget of a WebEngineBrowser; hands right clicks to the browser instead of showing the
// engine's menu at once, and tells it when the member clicks or types in the page.
#include <QWebEngineView>
#include <functional>

class BrowserView : public QWebEngineView
{
    Q_OBJECT
public:
    using QWebEngineView::QWebEngineView;

    std::function<void()> onContextMenu;
    // A mouse button or a key pressed in the page.
    std::function<void()> onMemberInput;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    // The engine draws the page and takes its input in a child widget of its own (a new one
    // when its page process starts again): each is watched for the member's presses.
    void childEvent(QChildEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};
