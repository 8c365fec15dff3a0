// The benchmark's start-up timelines (see timeline.h).
#include "timeline.h"

#include <algorithm>

namespace bench
{

Timeline parseTimeline(const QByteArray& text, qint64 startedAtMs)
{
    Timeline timeline;
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() < 2)
            continue;
        bool ok = false;
        const qint64 at = fields.at(1).trimmed().toLongLong(&ok);
        const QString name = QString::fromUtf8(fields.at(0)).trimmed();
        if (!ok || name.isEmpty())
            continue;
        bool cpuOk = false;
        const double cpu = fields.size() > 2 ? fields.at(2).trimmed().toDouble(&cpuOk) : -1;
        const bool named = std::any_of(timeline.cbegin(), timeline.cend(),
                                       [&](const Step& s) { return s.name == name; });
        if (!named)
            addStep(timeline, name, static_cast<double>(at - startedAtMs),
                    cpuOk && cpu >= 0 ? cpu : -1);
    }
    return timeline;
}

void addStep(Timeline& timeline, const QString& name, double ms, double cpuMs)
{
    const auto at = std::upper_bound(timeline.begin(), timeline.end(), ms,
                                     [](double t, const Step& s) { return t < s.ms; });
    timeline.insert(at, Step{name, ms, cpuMs});
}

QList<StepSummary> summarise(const QList<Timeline>& starts)
{
    QList<QString> names;
    QList<QList<double>> at;
    QList<QList<double>> cost;
    QList<QList<double>> cpu;
    for (const Timeline& timeline : starts) {
        // The processor time of the step before that said one (steps such as the request's
        // arrival at the service say none), from 0 at the process's start.
        double cpuBefore = 0;
        for (qsizetype i = 0; i < timeline.size(); ++i) {
            const Step& s = timeline.at(i);
            qsizetype k = names.indexOf(s.name);
            if (k < 0) {
                names.append(s.name);
                at.append(QList<double>());
                cost.append(QList<double>());
                cpu.append(QList<double>());
                k = names.size() - 1;
            }
            at[k].append(s.ms);
            cost[k].append(i == 0 ? s.ms : s.ms - timeline.at(i - 1).ms);
            if (s.cpuMs >= 0) {
                cpu[k].append(s.cpuMs - cpuBefore);
                cpuBefore = s.cpuMs;
            }
        }
    }
    QList<StepSummary> out;
    for (qsizetype k = 0; k < names.size(); ++k)
        out.append({names.at(k), statsOf(at.at(k)), statsOf(cost.at(k)), statsOf(cpu.at(k))});
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
    return {name, {}, {}, {}};
}

} // namespace bench
