#include "net/browserprofile.h"

#include "net/pagefetch.h"
#include "net/sharedcookiejar.h"
#include "startup/uilanguage.h"

#include <QNetworkProxyFactory>

#include <QWebEngineProfile>

namespace BrowserProfile
{

QWebEngineProfile* get()
{
    static QWebEngineProfile* const profile = [] {
        // The engine and the page fetch follow the desktop's proxy by one rule.
        QNetworkProxyFactory::setUseSystemConfiguration(true);
        QWebEngineProfile* p = QWebEngineProfile::defaultProfile();
        p->setHttpAcceptLanguage(QString::fromLatin1(UiLanguage::kAcceptLanguage));
        setFetchCookieJar(new SharedCookieJar(p->cookieStore()));
        return p;
    }();
    return profile;
}

} // namespace BrowserProfile
