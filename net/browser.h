#pragma once
// The embedded browser as the windows see it: exactly the operations and events they use.
//
// Object-model work (frame count, the login walk, a frame's location) runs as page scripts in the
// real engine and therefore answers asynchronously through a callback, on the user-interface
// thread, exactly once. A callback is never called after the browser is destroyed.
#include "net/loginfillresult.h"

#include <QByteArray>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;
class Browser;

// A page's request for a new window. Setting processed to true cancels the engine's own window.
struct NewWindowRequest {
    QString url;
    int flags = 0;
    QString targetFrameName;
    QByteArray postData; // the engine does not always expose a form's body
    QString headers;
    // Asked for by a member's click or key press, not by a page's script on its own.
    bool userInitiated = false;
    bool processed = false;
    // Hands the pending navigation (a form POST with its body included) over to another browser
    // of the same engine. Valid only while the newWindow signal is being handled; returns false
    // when there is nothing to hand over, and the caller navigates the target itself.
    std::function<bool(Browser& target)> takeOver;
};

// A right click in a document. Setting handled to true suppresses the engine's own menu.
struct ContextMenuRequest {
    quint64 docId = 0; // the document under the mouse, as reported by documentComplete
    QPoint globalPos;
    bool handled = false;
};

class Browser : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~Browser() override = default;

    // The widget to place in a window; owned by the browser.
    virtual QWidget* widget() = 0;

    virtual void navigate(const QString& url) = 0;
    // The long form: flags, target frame, post data (a non-empty body makes it a POST), headers.
    virtual void navigate(const QString& url, int flags, const QString& targetFrameName,
                          const QByteArray& postData, const QString& headers) = 0;
    virtual void goBack() = 0;    // failures ignored
    virtual void goForward() = 0; // failures ignored
    virtual void refresh() = 0;
    // Silent: no dialogs of the engine's own (script alerts, certificate or error dialogs).
    virtual void setSilent(bool silent) = 0;
    // 4 once the page and every frame in it are complete, something less while loading.
    virtual int readyState() const = 0;

    // Length of the top document's frames collection; -1 when the object model fails.
    virtual void frameCount(std::function<void(int)> done) = 0;
    // When the top document has exactly four frames and the fourth frame's document came over
    // http or https from one of hosts (host names without letter case, any port), walks every
    // element of that document: each INPUT (tag compared in upper case) of type exactly "text"
    // or "password" named exactly "UserName" gets user, named exactly "UserPassword" gets pass.
    // A fourth frame from any other host is left alone (filled 0).
    virtual void fillLogin(const QString& user, const QString& pass, const QStringList& hosts,
                           std::function<void(LoginFillResult)> done) = 0;
    // Sets the location of frames[index] of the top document; false when that fails.
    virtual void setFrameLocation(int index, const QString& url,
                                  std::function<void(bool)> done) = 0;

signals:
    // A document finished loading: the whole page (isTop) or one of its frames.
    void documentComplete(quint64 docId, const QString& url, bool isTop);
    // The top document's load ended: reached false when the network or the server did not
    // answer (the page shows the engine's error instead). A navigation that was stopped, or
    // replaced by another, ends without this.
    void topLoadEnded(const QString& url, bool reached);
    // A right click in a document; handlers set request.handled to show their own menu.
    void contextMenu(ContextMenuRequest& request);
    // A page asked for a new window; handlers set request.processed.
    void newWindow(NewWindowRequest& request);
    // The member clicked or pressed a key in the page (in any of its frames): input of the
    // window system's, which no page can make.
    void memberInput();
};

// Makes the browsers of the windows: the Qt WebEngine one unless a test installs another.
using BrowserFactory = std::function<Browser*(QWidget* parent)>;
Browser* makeBrowser(QWidget* parent);
void setBrowserFactory(BrowserFactory factory); // an empty factory restores the engine
