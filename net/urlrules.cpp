#include "net/urlrules.h"

#include <QStringList>
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
    QString want = domain.toLower();
    if (want.endsWith(QLatin1Char('.')))
        want.chop(1);
    if (want.isEmpty())
        return false;
    // QUrl keeps host names in lower case.
    QString host = QUrl(url).host();
    if (host.endsWith(QLatin1Char('.')))
        host.chop(1);
    return host == want || host.endsWith(QLatin1Char('.') + want);
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

Navigation navigation(const QString& url, bool clickedLink)
{
    const QUrl u(url);
    const QString scheme = u.scheme();
    if (scheme == QLatin1String("http") || scheme == QLatin1String("https"))
        return Navigation::Allow;
    if (scheme == QLatin1String("about")) {
        const QString page = u.path();
        return page == QLatin1String("blank") || page == QLatin1String("srcdoc")
                   ? Navigation::Allow
                   : Navigation::Refuse;
    }
    if (scheme == QLatin1String("mailto") && clickedLink)
        return Navigation::MailProgram;
    return Navigation::Refuse;
}

QString mailProgramAddress(const QString& url)
{
    static const QStringList usual = {QStringLiteral("to"), QStringLiteral("cc"),
                                      QStringLiteral("bcc"), QStringLiteral("subject"),
                                      QStringLiteral("body")};
    const QUrl u(url);
    QStringList kept;
    for (const QString& field : u.query(QUrl::FullyEncoded).split(QLatin1Char('&'))) {
        // Field names are compared decoded and without letter case, as mail programs read them.
        const QString name =
            QUrl::fromPercentEncoding(field.section(QLatin1Char('='), 0, 0).toLatin1());
        if (usual.contains(name, Qt::CaseInsensitive))
            kept.append(field);
    }
    QString address = QStringLiteral("mailto:") + u.path(QUrl::FullyEncoded);
    if (!kept.isEmpty())
        address += QLatin1Char('?') + kept.join(QLatin1Char('&'));
    return address;
}

} // namespace UrlRules
