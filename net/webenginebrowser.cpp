#include "net/webenginebrowser.h"

#include <QWebEngineView>

// Placeholder until the engine implementation lands.
WebEngineBrowser::WebEngineBrowser(QWidget* parent) : Browser(parent), view_(new QWebEngineView(parent)) {}
WebEngineBrowser::~WebEngineBrowser() = default;
QWidget* WebEngineBrowser::widget() { return view_; }
void WebEngineBrowser::navigate(const QString& url) { static_cast<QWebEngineView*>(view_)->load(QUrl(url)); }
void WebEngineBrowser::navigate(const QString& url, int, const QString&, const QByteArray&, const QString&) { navigate(url); }
void WebEngineBrowser::goBack() {}
void WebEngineBrowser::goForward() {}
void WebEngineBrowser::refresh() {}
void WebEngineBrowser::setSilent(bool) {}
int WebEngineBrowser::readyState() const { return 0; }
void WebEngineBrowser::frameCount(std::function<void(int)> done) { done(-1); }
void WebEngineBrowser::fillLogin(const QString&, const QString&, std::function<void(LoginFillResult)> done) { done({}); }
void WebEngineBrowser::setFrameLocation(int, const QString&, std::function<void(bool)> done) { done(false); }

namespace {
BrowserFactory& factory()
{
    static BrowserFactory f;
    return f;
}
}  // namespace

Browser* makeBrowser(QWidget* parent)
{
    if (factory())
        return factory()(parent);
    return new WebEngineBrowser(parent);
}

void setBrowserFactory(BrowserFactory f)
{
    factory() = std::move(f);
}
