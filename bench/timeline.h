#pragma once
// The start-up timeline of the benchmark: when each step of a start came, in milliseconds from
// just before the process was started, and those of several starts summed up as medians. The
// program writes its steps in traced builds ("<step>\t<ms since the epoch>" lines, see
// startup/trace.h), the bare view prints its own, and the service's request log adds when the
// member page's request arrived. A step may also say how much processor time the user-interface
// thread had used by then, which tells a step's own work from its waiting for other processes.
#include "procfigures.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace bench
{

struct Step {
    QString name;
    double ms = 0;     // from just before the start
    double cpuMs = -1; // the user-interface thread's processor time by then; below 0: not said
};
// One start's steps in the order of their times.
using Timeline = QList<Step>;

// Steps from "<step>\t<ms since the epoch>[\t<thread CPU ms>]" lines, timed from startedAtMs (ms
// since the epoch); a line that does not say a step and its time is skipped. A step named twice
// counts where it came first.
Timeline parseTimeline(const QByteArray& text, qint64 startedAtMs);
// Adds a step at its place in time (after any step of the same time).
void addStep(Timeline& timeline, const QString& name, double ms, double cpuMs = -1);

struct StepSummary {
    QString name;
    Stats at;   // time from the start
    Stats cost; // time since the step before it in the same start
    Stats cpu;  // the thread's processor time since the last step before it that said its own
};
// Every step named in any of the starts, each over the starts that have it, in the order of
// their median times.
QList<StepSummary> summarise(const QList<Timeline>& starts);
// The summary of the step called name; n == 0 when no start has it.
StepSummary summaryOf(const QList<StepSummary>& steps, const QString& name);

} // namespace bench
