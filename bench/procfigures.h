#pragma once
// Figures of running processes from /proc, and the summary of repeated measurements.
#include <QByteArray>
#include <QList>

namespace bench
{

// The number after `key` in a "Key:   value kB" text (/proc/<pid>/status, smaps_rollup);
// 0 when the key is absent.
qint64 kbField(const QByteArray& text, const QByteArray& key);
// utime + stime in clock ticks from the text of /proc/<pid>/stat; -1 when it does not parse.
qint64 cpuTicksFromStat(const QByteArray& stat);

struct Memory {
    qint64 rssKb = 0;  // sum of VmRSS: pages shared by the processes count once per process
    qint64 pssKb = 0;  // sum of Pss: shared pages divided among all their sharers, also those
                       // outside the tree, so it moves with whatever else runs on the machine
    qint64 anonKb = 0; // sum of RssAnon: the heaps and stacks, where a leak shows
    int processes = 0;
    double pssMb() const { return pssKb / 1024.0; }
    double rssMb() const { return rssKb / 1024.0; }
    double anonMb() const { return anonKb / 1024.0; }
};

// The process and all its descendants.
Memory memoryOf(qint64 pid);
// utime + stime of a process (all its threads) in seconds; -1 when it is gone.
double cpuSeconds(qint64 pid);
// The same, summed over the process's descendants.
double cpuSecondsOfDescendants(qint64 pid);

struct Stats {
    double median = 0, min = 0, max = 0;
    int n = 0;
};
Stats statsOf(QList<double> values);

} // namespace bench
