#pragma once
// A browser without an engine: a small in-memory frame and element model, so the windows' gates
// and wiring can be tested fast. Answers arrive on the next turn of the event loop, as the
// engine's do; call settle() to let them arrive.
#include "net/browser.h"

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>

struct FakeElement {
    QString tagName;
    QString type;
    QString name;
    QString value;
};

class FakeBrowser : public Browser
{
    Q_OBJECT
public:
    struct Navigation {
        QString url;
        int flags = 0;
        QString targetFrameName;
        QByteArray postData;
        QString headers;
    };

    explicit FakeBrowser(QWidget* parent = nullptr);
    ~FakeBrowser() override;

    QWidget* widget() override { return widget_; }
    void navigate(const QString& url) override;
    void navigate(const QString& url, int flags, const QString& targetFrameName,
                  const QByteArray& postData, const QString& headers) override;
    void goBack() override { ++backs; }
    void goForward() override { ++forwards; }
    void refresh() override { ++refreshes; }
    void setSilent(bool s) override { silent = s; }
    int readyState() const override { return ready; }
    void frameCount(std::function<void(int)> done) override;
    void fillLogin(const QString& user, const QString& pass, const QStringList& hosts,
                   std::function<void(LoginFillResult)> done) override;
    void setFrameLocation(int index, const QString& url, std::function<void(bool)> done) override;

    // The page as the engine would see it.
    int ready = 4;
    int frames = 4;
    QList<FakeElement> fourthFrame; // elements of frames[3].document.all
    QString fourthFrameUrl;         // its document's address; by default on line 0
    bool domFails = false;          // every object-model call fails
    bool answers = true;            // false: the engine drops every answer (its page went away)

    // What the windows asked for.
    QList<Navigation> navigations;
    QStringList frameLocations; // "index url" for each successful setFrameLocation
    int backs = 0, forwards = 0, refreshes = 0, fillCalls = 0;
    bool silent = false;

    // Raise the engine's events.
    void completeDocument(quint64 docId, const QString& url, bool isTop = false);
    bool rightClick(quint64 docId); // true when a handler took the menu
    NewWindowRequest requestNewWindow(const QString& url, const QByteArray& postData = {});

    // Runs pending answers.
    static void settle();

private:
    QPointer<QWidget> widget_; // owned here while no window has taken it in
};

// Installs a factory that makes FakeBrowsers and remembers them, newest last; restores the
// engine when it goes out of scope.
class FakeBrowserFactory
{
public:
    FakeBrowserFactory();
    ~FakeBrowserFactory();
    QList<FakeBrowser*> made;
};
