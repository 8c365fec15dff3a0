#pragma once
// The browser on Qt WebEngine. All browsers share the default profile, so that cookies of the
// session hold in every window and a page's new-window request can be handed to another browser.
//
// Each document (the page and every frame) runs a bridge script in the browser's isolated script
// world that reports its creation, its load and right clicks; that is where per-frame document
// complete events, the ready state and the document under a context menu come from.
#include "net/browser.h"
#include "net/contextmenupairing.h"
#include "net/frametracker.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <memory>

class BrowserPage;
class BrowserView;
class PageBridge;
class QWebEngineNewWindowRequest;
class QWebEnginePage;

class WebEngineBrowser : public Browser
{
    Q_OBJECT
public:
    explicit WebEngineBrowser(QWidget* parent = nullptr);
    ~WebEngineBrowser() override;

    QWidget* widget() override;
    void navigate(const QString& url) override;
    // Flags and the target frame name are ignored: the page always loads in this browser.
    // A non-empty body makes a POST; headers are "Name: value" lines separated by CR LF.
    void navigate(const QString& url, int flags, const QString& targetFrameName,
                  const QByteArray& postData, const QString& headers) override;
    void goBack() override;
    void goForward() override;
    void refresh() override;
    void setSilent(bool silent) override;
    int readyState() const override;
    void frameCount(std::function<void(int)> done) override;
    void fillLogin(const QString& user, const QString& pass, const QStringList& hosts,
                   std::function<void(LoginFillResult)> done) override;
    void setFrameLocation(int index, const QString& url, std::function<void(bool)> done) override;

    QWebEnginePage* page() const;
    // Runs a script in the isolated world of the top document; result invalid on failure.
    void runScript(const QString& script, std::function<void(const QVariant&)> done);

    // How long a right click waits for its document's report before it goes out without one.
    static constexpr int kContextMenuWaitMs = 300;

private:
    void onReport(const QString& message);
    void onNewWindowRequested(QWebEngineNewWindowRequest& request);
    void onViewContextMenu();
    void dispatchContextMenu(quint64 docId);

    QPointer<BrowserView> view_;
    BrowserPage* page_ = nullptr;
    PageBridge* bridge_ = nullptr;
    FrameTracker tracker_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

    // A right click: the Qt event and the document's report may come in either order.
    ContextMenuPairing menuPairing_;
    QTimer menuTimer_;
    QElapsedTimer clock_;
};
