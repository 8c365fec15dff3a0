#include "net/browserprofile.h"

#include "net/pagefetch.h"
#include "net/sharedcookiejar.h"
#include "startup/trace.h"
#include "startup/uilanguage.h"

#include <QDesktopServices>
#include <QUrl>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

namespace
{

// In traced builds a mail link handed to the desktop is recorded instead of starting a mail
// program (as the marketplace hand-off is).
class TracedMailLinks : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
public slots:
    void open(const QUrl& url) { Trace::event(QStringLiteral("openurl"), url.toString()); }
};

} // namespace

namespace BrowserProfile
{

QWebEngineProfile* get()
{
    static QWebEngineProfile* const profile = [] {
        QWebEngineProfile* p = QWebEngineProfile::defaultProfile();
        p->setHttpAcceptLanguage(QString::fromLatin1(UiLanguage::kAcceptLanguage));
        setFetchCookieJar(new SharedCookieJar(p->cookieStore()));
        // Schemes the engine does not know reach the desktop only from a member's click, and
        // then only as far as each page's navigation rule lets them (BrowserPage).
        p->settings()->setUnknownUrlSchemePolicy(
            QWebEngineSettings::AllowUnknownUrlSchemesFromUserInteraction);
        if (Trace::enabled())
            QDesktopServices::setUrlHandler(QStringLiteral("mailto"), new TracedMailLinks(p),
                                            "open");
        return p;
    }();
    return profile;
}

} // namespace BrowserProfile

#include "browserprofile.moc"
