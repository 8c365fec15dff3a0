#include "net/browserprofile.h"

#include "startup/uilanguage.h"

#include <QWebEngineProfile>

namespace BrowserProfile
{

QWebEngineProfile* get()
{
    static QWebEngineProfile* const profile = [] {
        QWebEngineProfile* p = QWebEngineProfile::defaultProfile();
        p->setHttpAcceptLanguage(QString::fromLatin1(UiLanguage::kAcceptLanguage));
        return p;
    }();
    return profile;
}

} // namespace BrowserProfile
