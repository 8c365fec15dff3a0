#include "net/sharedcookiejar.h"

#include <QDateTime>
#include <QNetworkCookie>
#include <QWebEngineCookieStore>

SharedCookieJar::SharedCookieJar(QWebEngineCookieStore* store, QObject* parent)
    : QNetworkCookieJar(parent), store_(store)
{
    // The engine reports every cookie it holds, and each change, on the user-interface thread.
    connect(store, &QWebEngineCookieStore::cookieAdded, this,
            [this](const QNetworkCookie& cookie) { insertCookie(cookie); });
    connect(store, &QWebEngineCookieStore::cookieRemoved, this,
            [this](const QNetworkCookie& cookie) { deleteCookie(cookie); });
    store->loadAllCookies();
}

bool SharedCookieJar::setCookiesFromUrl(const QList<QNetworkCookie>& cookies, const QUrl& url)
{
    const bool taken = QNetworkCookieJar::setCookiesFromUrl(cookies, url);
    if (!store_)
        return taken;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const QNetworkCookie& cookie : cookies) {
        // The engine applies its own rules for the cookie's domain and path.
        if (!cookie.isSessionCookie() && cookie.expirationDate() <= now)
            store_->deleteCookie(cookie, url);
        else
            store_->setCookie(cookie, url);
    }
    return taken;
}
