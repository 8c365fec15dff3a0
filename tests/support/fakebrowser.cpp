#include "fakebrowser.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include "zvconfig.h"

FakeBrowser::FakeBrowser(QWidget* parent)
    : Browser(parent), fourthFrameUrl(QStringLiteral(ZV_LINE0_URL "/nc/main.asp")),
      widget_(new QWidget(parent))
{
}

FakeBrowser::~FakeBrowser()
{
    if (widget_ && !widget_->parent())
        delete widget_;
}

void FakeBrowser::navigate(const QString& url)
{
    navigations.append({url, 0, {}, {}, {}});
}

void FakeBrowser::navigate(const QString& url, int flags, const QString& targetFrameName,
                           const QByteArray& postData, const QString& headers)
{
    navigations.append({url, flags, targetFrameName, postData, headers});
}

void FakeBrowser::frameCount(std::function<void(int)> done)
{
    const int n = domFails ? -1 : frames;
    if (answers)
        QTimer::singleShot(0, this, [done, n] { done(n); });
}

void FakeBrowser::fillLogin(const QString& user, const QString& pass, const QStringList& hosts,
                            std::function<void(LoginFillResult)> done)
{
    ++fillCalls;
    LoginFillResult r;
    if (!domFails) {
        r.ok = true;
        r.frameCount = frames;
        const QUrl where(fourthFrameUrl);
        const bool serviceHost =
            (where.scheme() == QLatin1String("http") || where.scheme() == QLatin1String("https")) &&
            hosts.contains(where.host().toLower());
        if (frames == 4 && serviceHost) {
            for (FakeElement& e : fourthFrame) {
                if (e.tagName.toUpper() != QLatin1String("INPUT"))
                    continue;
                if (e.type != QLatin1String("text") && e.type != QLatin1String("password"))
                    continue;
                if (e.name == QLatin1String("UserName")) {
                    e.value = user;
                    ++r.filled;
                } else if (e.name == QLatin1String("UserPassword")) {
                    e.value = pass;
                    ++r.filled;
                }
            }
        }
    }
    if (answers)
        QTimer::singleShot(0, this, [done, r] { done(r); });
}

void FakeBrowser::setFrameLocation(int index, const QString& url, std::function<void(bool)> done)
{
    const bool ok = !domFails && index >= 0 && index < frames;
    if (ok)
        frameLocations.append(QString::number(index) + QLatin1Char(' ') + url);
    if (answers)
        QTimer::singleShot(0, this, [done, ok] { done(ok); });
}

void FakeBrowser::completeDocument(quint64 docId, const QString& url, bool isTop)
{
    emit documentComplete(docId, url, isTop);
}

bool FakeBrowser::rightClick(quint64 docId)
{
    ContextMenuRequest req;
    req.docId = docId;
    emit contextMenu(req);
    return req.handled;
}

NewWindowRequest FakeBrowser::requestNewWindow(const QString& url, const QByteArray& postData)
{
    NewWindowRequest req;
    req.url = url;
    req.postData = postData;
    emit newWindow(req);
    return req;
}

void FakeBrowser::settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

FakeBrowserFactory::FakeBrowserFactory()
{
    setBrowserFactory([this](QWidget* parent) {
        auto* b = new FakeBrowser(parent);
        made.append(b);
        return b;
    });
}

FakeBrowserFactory::~FakeBrowserFactory()
{
    setBrowserFactory({});
}

#include "moc_fakebrowser.cpp" // meta-object code, compiled with this file
