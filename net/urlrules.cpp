#include "net/urlrules.h"

#include <QUrl>

namespace UrlRules
{

namespace
{

bool isAboutBlank(const QString& url)
{
    return url.isEmpty() || url.compare(QLatin1String("about:blank"), Qt::CaseInsensitive) == 0;
}

} // namespace

bool isMarketplace(const QString& url, const QString& domain)
{
    if (domain.isEmpty())
        return false;
    return url.contains(domain, Qt::CaseInsensitive);
}

bool isWebAddress(const QString& url)
{
    const QUrl u(url);
    if (!u.isValid())
        return false;
    // QUrl keeps schemes in lower case.
    const QString scheme = u.scheme();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return false;
    return !u.host().isEmpty();
}

bool mayShowInBrowserWindow(const QString& url)
{
    return isAboutBlank(url) || isWebAddress(url);
}

NewWindowRoute routeNewWindow(const QString& url, const QString& marketDomain)
{
    if (isMarketplace(url, marketDomain))
        return isWebAddress(url) ? NewWindowRoute::DefaultBrowser : NewWindowRoute::Drop;
    return mayShowInBrowserWindow(url) ? NewWindowRoute::BrowserWindow : NewWindowRoute::Drop;
}

QString browserWindowAddress(const QString& url)
{
    return url.isEmpty() ? QStringLiteral("about:blank") : url;
}

} // namespace UrlRules
