#include "alerts/itemaddress.h"

#include <QUrl>

namespace ItemAddress
{

std::optional<QString> resolve(const QString& base, const QString& path)
{
    if (!path.startsWith(QLatin1Char('/')) || path.startsWith(QLatin1String("//")))
        return std::nullopt;
    for (const QChar c : path) {
        // Browsers drop or reinterpret these while parsing; nothing legitimate needs them.
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QLatin1Char('\\'))
            return std::nullopt;
    }
    const QUrl baseUrl(base, QUrl::StrictMode);
    if (!baseUrl.isValid() || baseUrl.host().isEmpty())
        return std::nullopt;
    const QString joined = base + path;
    const QUrl url(joined);
    if (!url.isValid())
        return std::nullopt;
    const int defaultPort = baseUrl.scheme() == QLatin1String("https") ? 443 : 80;
    if (url.scheme() != baseUrl.scheme() || url.host() != baseUrl.host() ||
        url.port(defaultPort) != baseUrl.port(defaultPort) || !url.userInfo().isEmpty())
        return std::nullopt;
    return joined;
}

} // namespace ItemAddress
