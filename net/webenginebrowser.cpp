#include "net/webenginebrowser.h"

#include "net/browserpage.h"
#include "net/browserprofile.h"
#include "net/browserview.h"
#include "net/pagebridge.h"
#include "net/pagescripts.h"
#include "startup/trace.h"

#include <QCursor>
#include <QFile>
#include <QMenu>
#include <QRandomGenerator>
#include <QWebChannel>
#include <QWebEngineContextMenuRequest>
#include <QWebEngineHttpRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

namespace
{

const QString kBridgeObject = QStringLiteral("zvBridge");

// A right click's report older than this belongs to some other click.
constexpr qint64 kMenuReportMaxAgeMs = 500;

// The engine's error for a navigation that was stopped or replaced (ERR_ABORTED).
constexpr int kAborted = -3;

const QString& webChannelScript()
{
    static const QString source = [] {
        QFile f(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }();
    return source;
}

QString newToken()
{
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    QString token = QStringLiteral("zvb");
    for (quint32 w : words)
        token += QString::number(w, 16).rightJustified(8, QLatin1Char('0'));
    return token;
}

QUrl toUrl(const QString& text)
{
    QUrl url(text, QUrl::TolerantMode);
    if (url.scheme().isEmpty())
        url = QUrl::fromUserInput(text);
    return url;
}

} // namespace

WebEngineBrowser::WebEngineBrowser(QWidget* parent)
    : Browser(parent), menuPairing_(kMenuReportMaxAgeMs, kContextMenuWaitMs)
{
    clock_.start();
    const QString token = newToken();
    view_ = new BrowserView(parent);
    page_ = new BrowserPage(BrowserProfile::get(), token, view_);
    bridge_ = new PageBridge(this);

    auto* channel = new QWebChannel(page_);
    channel->registerObject(kBridgeObject, bridge_);
    page_->setWebChannel(channel, QWebEngineScript::ApplicationWorld);

    // Only the top document talks to the channel: Qt's channel script goes there alone, ahead
    // of the bridge, and the frames below get the bridge only (they report through the top, or
    // through the console), which keeps every frame's start as light as the page's own.
    QWebEngineScript channelScript;
    channelScript.setName(QStringLiteral("zv-channel"));
    channelScript.setWorldId(QWebEngineScript::ApplicationWorld);
    channelScript.setInjectionPoint(QWebEngineScript::DocumentCreation);
    channelScript.setRunsOnSubFrames(false);
    channelScript.setSourceCode(webChannelScript());
    QWebEngineScript script;
    script.setName(QStringLiteral("zv-bridge"));
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setRunsOnSubFrames(true);
    script.setSourceCode(PageScripts::bridgeScript(token, kBridgeObject));
    page_->scripts().insert(channelScript);
    page_->scripts().insert(script);
    view_->setPage(page_);

    connect(view_, &QObject::destroyed, this, [this] { page_ = nullptr; });
    connect(page_, &QWebEnginePage::loadStarted, this, [this] {
        Trace::step("load started");
        tracker_.loadStarted();
    });
    connect(page_, &QWebEnginePage::loadFinished, this, [this] {
        Trace::step("load finished");
        tracker_.loadFinished();
    });
    connect(page_, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& l) {
        switch (l.status()) {
        case QWebEngineLoadingInfo::LoadSucceededStatus:
            emit topLoadEnded(l.url().toString(), true);
            break;
        case QWebEngineLoadingInfo::LoadFailedStatus:
            // Stopped or replaced (the engine's "aborted"), or refused for its certificate: no
            // answer to wait for. Anything else is an address the network did not reach.
            if (l.errorCode() != kAborted &&
                l.errorDomain() != QWebEngineLoadingInfo::CertificateErrorDomain)
                emit topLoadEnded(l.url().toString(), false);
            break;
        default:
            break;
        }
    });
    connect(bridge_, &PageBridge::reported, this, &WebEngineBrowser::onReport);
    connect(page_, &BrowserPage::bridgeMessage, this, &WebEngineBrowser::onReport);
    connect(page_, &QWebEnginePage::newWindowRequested, this,
            &WebEngineBrowser::onNewWindowRequested);

    view_->onContextMenu = [this] { onViewContextMenu(); };
    view_->onMemberInput = [this] { emit memberInput(); };
    menuTimer_.setSingleShot(true);
    menuTimer_.setInterval(kContextMenuWaitMs);
    connect(&menuTimer_, &QTimer::timeout, this, [this] {
        if (const auto doc = menuPairing_.expire())
            dispatchContextMenu(*doc);
    });
}

WebEngineBrowser::~WebEngineBrowser()
{
    *alive_ = false;
    menuTimer_.stop();
    if (view_) {
        view_->onContextMenu = nullptr;
        view_->onMemberInput = nullptr;
        delete view_.data();
    }
}

QWidget* WebEngineBrowser::widget()
{
    return view_;
}

QWebEnginePage* WebEngineBrowser::page() const
{
    return page_;
}

void WebEngineBrowser::navigate(const QString& url)
{
    navigate(url, 0, QString(), QByteArray(), QString());
}

void WebEngineBrowser::navigate(const QString& url, int, const QString&, const QByteArray& postData,
                                const QString& headers)
{
    // A script address would run in whatever page is showing now, on behalf of whoever asked.
    if (!page_ || PageScripts::isScriptUrl(url))
        return;
    const QUrl target = toUrl(url);
    if (postData.isEmpty() && headers.trimmed().isEmpty()) {
        page_->load(target);
        return;
    }
    QWebEngineHttpRequest request(target);
    bool hasContentType = false;
    const QStringList lines = headers.split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon <= 0)
            continue;
        const QString name = line.left(colon).trimmed();
        if (name.isEmpty())
            continue;
        if (name.compare(QLatin1String("Content-Type"), Qt::CaseInsensitive) == 0)
            hasContentType = true;
        request.setHeader(name.toLatin1(), line.mid(colon + 1).trimmed().toUtf8());
    }
    if (!postData.isEmpty()) {
        request.setMethod(QWebEngineHttpRequest::Post);
        request.setPostData(postData);
        if (!hasContentType)
            request.setHeader("Content-Type", "application/x-www-form-urlencoded");
    }
    page_->load(request);
}

void WebEngineBrowser::goBack()
{
    if (page_)
        page_->triggerAction(QWebEnginePage::Back);
}

void WebEngineBrowser::goForward()
{
    if (page_)
        page_->triggerAction(QWebEnginePage::Forward);
}

void WebEngineBrowser::refresh()
{
    if (page_)
        page_->triggerAction(QWebEnginePage::Reload);
}

void WebEngineBrowser::setSilent(bool silent)
{
    if (page_)
        page_->setSilent(silent);
}

int WebEngineBrowser::readyState() const
{
    return page_ ? tracker_.readyState() : 0;
}

void WebEngineBrowser::runScript(const QString& script, std::function<void(const QVariant&)> done)
{
    if (!page_) {
        QTimer::singleShot(0, this, [done] { done(QVariant()); });
        return;
    }
    std::weak_ptr<bool> alive = alive_;
    page_->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                         [alive, done](const QVariant& result) {
                             const auto a = alive.lock();
                             if (a && *a)
                                 done(result);
                         });
}

void WebEngineBrowser::frameCount(std::function<void(int)> done)
{
    runScript(PageScripts::frameCountScript(),
              [done](const QVariant& r) { done(PageScripts::parseFrameCount(r)); });
}

void WebEngineBrowser::fillLogin(const QString& user, const QString& pass, const QStringList& hosts,
                                 std::function<void(LoginFillResult)> done)
{
    runScript(PageScripts::fillLoginScript(user, pass, hosts),
              [done](const QVariant& r) { done(PageScripts::parseFillResult(r)); });
}

void WebEngineBrowser::setFrameLocation(int index, const QString& url,
                                        std::function<void(bool)> done)
{
    if (PageScripts::isScriptUrl(url)) {
        QTimer::singleShot(0, this, [done] { done(false); });
        return;
    }
    runScript(PageScripts::setFrameLocationScript(index, url),
              [done](const QVariant& r) { done(PageScripts::parseBool(r)); });
}

void WebEngineBrowser::onReport(const QString& message)
{
    const std::optional<FrameReport> report = PageScripts::parseReport(message);
    if (!report)
        return;
    if (report->kind == FrameReport::ContextMenu) {
        if (const auto doc = menuPairing_.report(report->docId, clock_.elapsed())) {
            menuTimer_.stop();
            dispatchContextMenu(*doc);
        }
        return;
    }
    if (tracker_.apply(*report))
        emit documentComplete(report->docId, report->url, report->isTop);
}

void WebEngineBrowser::onNewWindowRequested(QWebEngineNewWindowRequest& request)
{
    NewWindowRequest req;
    req.url = request.requestedUrl().toString(QUrl::FullyEncoded);
    req.userInitiated = request.isUserInitiated();
    // The engine's request lives only while this handler runs.
    auto pending = std::make_shared<QWebEngineNewWindowRequest*>(&request);
    QWebEngineProfile* profile = page_ ? page_->profile() : nullptr;
    req.takeOver = [pending, profile, this](Browser& target) -> bool {
        auto* other = qobject_cast<WebEngineBrowser*>(&target);
        if (!*pending || !other || other == this || !other->page_ ||
            other->page_->profile() != profile)
            return false;
        QWebEngineNewWindowRequest* engineRequest = *pending;
        *pending = nullptr;
        engineRequest->openIn(other->page_);
        return true;
    };
    emit newWindow(req);
    *pending = nullptr;
    // Not taken over: the request is dropped; the engine never opens a window of its own.
}

void WebEngineBrowser::onViewContextMenu()
{
    if (const auto doc = menuPairing_.request(clock_.elapsed())) {
        menuTimer_.stop();
        dispatchContextMenu(*doc);
        return;
    }
    menuTimer_.start();
}

void WebEngineBrowser::dispatchContextMenu(quint64 docId)
{
    if (!view_)
        return;
    ContextMenuRequest request;
    request.docId = docId;
    QWebEngineContextMenuRequest* engineRequest = view_->lastContextMenuRequest();
    request.globalPos =
        engineRequest ? view_->mapToGlobal(engineRequest->position()) : QCursor::pos();
    QPointer<WebEngineBrowser> self(this);
    emit contextMenu(request);
    if (!self || !view_ || request.handled)
        return;
    QMenu* menu = view_->createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(request.globalPos);
}

namespace
{
BrowserFactory& factory()
{
    static BrowserFactory f;
    return f;
}
} // namespace

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

// Meta-object code of the browser interface, the page bridge and this file, compiled here.
#include "moc_browser.cpp"
#include "moc_pagebridge.cpp"
#include "moc_webenginebrowser.cpp"
