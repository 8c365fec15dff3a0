// The benchmark's start-up timelines (see timeline.h).
#include "timeline.h"

#include <algorithm>

namespace bench
{

Timeline parseTimeline(const QByteArray& text, qint64 startedAtMs)
{
    Timeline timeline;
    for (const QByteArray& line : text.split('\n')) {
        const qsizetype tab = line.lastIndexOf('\t');
        if (tab <= 0)
            continue;
        bool ok = false;
        const qint64 at = line.mid(tab + 1).trimmed().toLongLong(&ok);
        const QString name = QString::fromUtf8(line.left(tab)).trimmed();
        if (!ok || name.isEmpty())
            continue;
        const bool named = std::any_of(timeline.cbegin(), timeline.cend(),
                                       [&](const Step& s) { return s.name == name; });
        if (!named)
            addStep(timeline, name, static_cast<double>(at - startedAtMs));
    }
    return timeline;
}

void addStep(Timeline& timeline, const QString& name, double ms)
{
    const auto at = std::upper_bound(timeline.begin(), timeline.end(), ms,
                                     [](double t, const Step& s) { return t < s.ms; });
    timeline.insert(at, Step{name, ms});
}

QList<StepSummary> summarise(const QList<Timeline>& starts)
{
    QList<QString> names;
    QList<QList<double>> at;
    QList<QList<double>> cost;
    for (const Timeline& timeline : starts) {
        for (qsizetype i = 0; i < timeline.size(); ++i) {
            const Step& s = timeline.at(i);
            qsizetype k = names.indexOf(s.name);
            if (k < 0) {
                names.append(s.name);
                at.append(QList<double>());
                cost.append(QList<double>());
                k = names.size() - 1;
            }
            at[k].append(s.ms);
            cost[k].append(i == 0 ? s.ms : s.ms - timeline.at(i - 1).ms);
        }
    }
    QList<StepSummary> out;
    for (qsizetype k = 0; k < names.size(); ++k)
        out.append({names.at(k), statsOf(at.at(k)), statsOf(cost.at(k))});
    std::stable_sort(out.begin(), out.end(), [](const StepSummary& a, const StepSummary& b) {
        return a.at.median < b.at.median;
    });
    return out;
}

StepSummary summaryOf(const QList<StepSummary>& steps, const QString& name)
{
    for (const StepSummary& s : steps) {
        if (s.name == name)
            return s;
    }
    return {name, {}, {}};
}

} // namespace bench
