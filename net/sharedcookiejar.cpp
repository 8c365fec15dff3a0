#include "net/sharedcookiejar.h"

#include <QDateTime>
#include <QNetworkCookie>
#include <QWebEngineCookieStore>

namespace
{

// The path a cookie without one gets (RFC 6265, 5.1.4): the request's path up to, not including,
// its last "/"; "/" when that leaves nothing. Qt's jar would keep the "/" ("/nc/" for
// /nc/tx.asp) where the engine does not ("/nc"), and one cookie would live on under two paths.
QString defaultPath(const QUrl& url)
{
    const QString path = url.path();
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (!path.startsWith(QLatin1Char('/')) || slash <= 0)
        return QStringLiteral("/");
    return path.left(slash);
}

} // namespace

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
    // Both stores take each cookie under the same path.
    QList<QNetworkCookie> withPaths = cookies;
    for (QNetworkCookie& cookie : withPaths) {
        if (cookie.path().isEmpty())
            cookie.setPath(defaultPath(url));
    }
    const bool taken = QNetworkCookieJar::setCookiesFromUrl(withPaths, url);
    if (!store_)
        return taken;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    for (const QNetworkCookie& cookie : withPaths) {
        // The engine applies its own rules for the cookie's domain and path.
        if (!cookie.isSessionCookie() && cookie.expirationDate() <= now)
            store_->deleteCookie(cookie, url);
        else
            store_->setCookie(cookie, url);
    }
    return taken;
}

#include "moc_sharedcookiejar.cpp" // meta-object code, compiled with this file
