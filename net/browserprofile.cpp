#include "net/browserprofile.h"

#include "net/pagefetch.h"
#include "net/sharedcookiejar.h"
#include "startup/uilanguage.h"

#include <QWebEngineProfile>

namespace BrowserProfile
{

QWebEngineProfile* get()
{
    static QWebEngineProfile* const profile = [] {
        QWebEngineProfile* p = QWebEngineProfile::defaultProfile();
        p->setHttpAcceptLanguage(QString::fromLatin1(UiLanguage::kAcceptLanguage));
        setFetchCookieJar(new SharedCookieJar(p->cookieStore()));
        return p;
    }();
    return profile;
}

} // namespace BrowserProfile
