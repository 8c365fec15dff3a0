#include "alerts/listcompare.h"

#include "alerts/itemaddress.h"

namespace ListCompare
{

QString categorySound(int row)
{
    return row < 4 ? QStringLiteral("ts.wav") : QStringLiteral("ts1.wav");
}

QStringList splitLines(const QString& text)
{
    return text.split(QStringLiteral("\r\n"), Qt::KeepEmptyParts);
}

bool isMessageList(const QString& text)
{
    return !(text.contains(QLatin1Char('<')) && text.contains(QLatin1Char('>')));
}

QList<Announcement> announce(const QString& baseline, const QString& fresh,
                             const QList<RowRule>& rules, const QString& baseUrl, bool sound)
{
    QList<Announcement> out;
    const QStringList oldLines = splitLines(baseline);
    const QStringList newLines = splitLines(fresh);
    for (int i = 0; i < rules.size(); ++i) {
        if (!rules[i].enabled)
            continue;
        if (i >= oldLines.size() || i >= newLines.size())
            continue;
        const QString& before = oldLines[i];
        const QString& now = newLines[i];
        if (before.isEmpty() || now.isEmpty() || before == now)
            continue;
        Announcement a;
        a.row = i;
        const QStringList fields = now.split(QLatin1Char(','), Qt::KeepEmptyParts);
        if (fields.size() >= 4) {
            if (const auto url = ItemAddress::resolve(baseUrl, fields[3]))
                a.notice = Notice{fields[2], fields[1], *url};
        }
        if (sound)
            a.soundFile = rules[i].soundFile;
        if (a.notice || !a.soundFile.isEmpty())
            out.append(a);
    }
    return out;
}

QList<Announcement> messageAnnouncements(const QString& baseline, const QString& fresh, int check1,
                                         const std::array<int, 8>& boxStates, int shengyin,
                                         const QString& baseUrl)
{
    if (check1 != 1)
        return {};
    QList<RowRule> rules;
    for (int i = 0; i < 8; ++i)
        rules.append({boxStates[static_cast<size_t>(i)] == 1, categorySound(i)});
    return announce(baseline, fresh, rules, baseUrl, shengyin == 1);
}

QList<Announcement> seriesAnnouncements(const QString& baseline, const QString& fresh, int check2,
                                        int shengyin, const QString& baseUrl)
{
    if (check2 != 1)
        return {};
    const QList<RowRule> rules(16, RowRule{true, QStringLiteral("ts2.wav")});
    return announce(baseline, fresh, rules, baseUrl, shengyin == 1);
}

} // namespace ListCompare
