#include "notices/recentnotices.h"

namespace
{

QString cut(const QString& text, int maxChars)
{
    if (text.size() <= maxChars)
        return text;
    qsizetype at = maxChars;
    if (at > 0 && text.at(at - 1).isHighSurrogate())
        --at;
    return text.left(at) + QChar(0x2026);
}

} // namespace

const Notice& RecentNotices::add(const QDateTime& now, const QString& category,
                                 const QString& title, const QString& url)
{
    keepDay(now.date());
    Notice n;
    n.id = nextId_++;
    n.time = now;
    n.category = cut(category, kMaxCategoryChars);
    n.title = cut(title, kMaxTitleChars);
    n.url = url;
    notices_.prepend(n);
    while (notices_.size() > kMax)
        notices_.removeLast();
    return notices_.first();
}

Notice* RecentNotices::find(quint64 id)
{
    for (Notice& n : notices_) {
        if (n.id == id)
            return &n;
    }
    return nullptr;
}

Notice* RecentNotices::findDesktop(const QString& server, uint desktopId)
{
    if (desktopId == 0 || server.isEmpty())
        return nullptr;
    for (Notice& n : notices_) {
        if (n.desktopId == desktopId && n.desktopServer == server)
            return &n;
    }
    return nullptr;
}

void RecentNotices::forgetDesktop()
{
    for (Notice& n : notices_) {
        n.desktopServer.clear();
        n.desktopId = 0;
    }
}

void RecentNotices::keepDay(const QDate& today)
{
    notices_.removeIf([&today](const Notice& n) { return n.time.date() != today; });
}

int RecentNotices::unread() const
{
    int count = 0;
    for (const Notice& n : notices_) {
        if (n.missed && !n.seen && !n.acknowledged)
            ++count;
    }
    return count;
}

void RecentNotices::acknowledge()
{
    for (Notice& n : notices_) {
        if (n.missed)
            n.acknowledged = true;
    }
}

QString RecentNotices::menuText(const Notice& n)
{
    const QString mark = n.missed && !n.seen ? QStringLiteral("● ") : QString();
    return mark + n.time.toString(QStringLiteral("HH:mm")) + QLatin1Char(' ') +
           cut(n.category, kMenuCategoryChars) + QLatin1Char(' ') + cut(n.title, kMenuTitleChars);
}
