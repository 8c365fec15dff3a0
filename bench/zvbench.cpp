// Benchmark of the real program under the harness desktop and the development service: start-up
// time and the timeline of the steps it takes, memory of the program and its engine processes, CPU
// while a fetch stalls (against a busy-waiting fetch), and the delay from a changed list to its
// popup. Start-up and memory are set beside a bare Qt WebEngine window on the same member page
// (zv-bareview), the floor no program showing that page can go below. It prints figures and judges
// none of them; it ends with 1 only when a figure could not be measured.
//
//   zvbench [--quick] [--start-up] [--starts=N]
//     --quick: fewer starts, notices, polls and rounds, for a smoke run
//     --start-up: the start-up figures and timeline alone
//     --starts=N: N starts of each (5, or 2 with --quick)
#include "bareviewrun.h"
#include "harness/harness.h"
#include "harness/xconnection.h"
#include "procfigures.h"
#include "timeline.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <memory>

using namespace harness;
using bench::BareViewRun;
using bench::cpuSeconds;
using bench::Memory;
using bench::memoryOf;
using bench::Stats;
using bench::statsOf;
using bench::StepSummary;
using bench::Timeline;

namespace
{

const QString PopupCaption = QStringLiteral("有新信息，请注意查看！");
const QString MemberPage = QStringLiteral("/nc/i88-62.asp");
const QString ListPath = QStringLiteral("/nc/tx.asp");

// Every popup and sound switch on, every category chosen, no remembered login.
const QByteArray Config = "[config]\r\nCheck1=1\r\nshengyin=1\r\nzvzc=1\r\nzvgs=1\r\nzvzb=1\r\n"
                          "jncz=1\r\nsmnc=1\r\njgmh=1\r\njdkb=1\r\ntckb=1\r\n[mima]\r\nmima=0\r\n";

struct Sizes {
    int starts = 5;
    int notices = 500;
    int polls = 1000;
    int latencyRounds = 10;
    int stallMs = 10000;
    bool startUpOnly = false;
};

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

void pause(int ms)
{
    waitUntil([] { return false; }, ms, 20);
}

void progress(const QString& text)
{
    std::fprintf(stderr, "[%s] %s\n",
                 qPrintable(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss"))),
                 qPrintable(text));
    std::fflush(stderr);
}

QString fmtStats(const Stats& s, const char* unit, int decimals = 0)
{
    if (s.n == 0)
        return QStringLiteral("n/a");
    return QStringLiteral("median %1 %4 (min %2, max %3; n=%5)")
        .arg(s.median, 0, 'f', decimals)
        .arg(s.min, 0, 'f', decimals)
        .arg(s.max, 0, 'f', decimals)
        .arg(QLatin1String(unit))
        .arg(s.n);
}

QString signedMb(double mb)
{
    return QStringLiteral("%1%2 MB").arg(mb >= 0 ? "+" : "").arg(mb, 0, 'f', 1);
}

QString fmtGrowth(const Memory& from, const Memory& to)
{
    auto pct = [](qint64 a, qint64 b) {
        const double p = a > 0 ? 100.0 * static_cast<double>(b - a) / static_cast<double>(a) : 0;
        return QStringLiteral("%1%2 %").arg(p >= 0 ? "+" : "").arg(p, 0, 'f', 1);
    };
    return QStringLiteral("RSS %1 (%2), anonymous %3 (%4)")
        .arg(signedMb(to.rssMb() - from.rssMb()), pct(from.rssKb, to.rssKb),
             signedMb(to.anonMb() - from.anonMb()), pct(from.anonKb, to.anonKb));
}

QString fmtMemory(const Memory& m)
{
    return QStringLiteral("RSS sum %1 MB, anonymous %2 MB, Pss %3 MB (%4 processes)")
        .arg(m.rssMb(), 0, 'f', 1)
        .arg(m.anonMb(), 0, 'f', 1)
        .arg(m.pssMb(), 0, 'f', 1)
        .arg(m.processes);
}

// ---- the program and the service ----

// Eight message lines, line i carrying item ids[i] of the category of line i.
QString messageList(const QList<int>& ids)
{
    static const char* const categories[8] = {"Zelvar政策",   "Zelvar公司", "Zelvar资本",
                                              "Zelvar内传真", "私募内参",   "机构密函",
                                              "标题狂飙",     "题材快报"};
    QStringList rows;
    for (int i = 0; i < 8; ++i) {
        const int id = ids.value(i);
        rows << QStringLiteral("%1,第%1号消息,%2,/nc/show.asp?id=%1,2026-12-07")
                    .arg(id)
                    .arg(QString::fromUtf8(categories[i]));
    }
    return rows.join(QStringLiteral("\r\n"));
}

QList<int> allLines(int version)
{
    QList<int> ids;
    for (int i = 0; i < 8; ++i)
        ids << 100000 + version * 8 + i;
    return ids;
}

// timeline: the file the program writes its start-up steps to; empty: none.
Program::Options programOptions(int pollMs, const QString& timeline = {})
{
    QProcessEnvironment env;
    if (pollMs > 0)
        env.insert(QStringLiteral("ZV_TEST_POLL_MS"), QString::number(pollMs));
    if (!timeline.isEmpty())
        env.insert(QStringLiteral("ZV_TEST_TIMELINE"), timeline);
    return {.config = Config, .extraEnv = env};
}

bool memberPageLoaded(const Program& zv)
{
    const QStringList loaded = zv.traceOf(QStringLiteral("loaded"));
    return std::any_of(loaded.begin(), loaded.end(),
                       [](const QString& url) { return url.contains(MemberPage); });
}

// Milliseconds from just before the program is started to the member page's "loaded" line;
// -1 when it does not start or the page does not load in time. startedAtMs: when it was started
// (ms since the epoch).
qint64 startAndWaitForMemberPage(Program& zv, QString* why, qint64* startedAtMs = nullptr)
{
    QElapsedTimer t;
    t.start();
    if (startedAtMs)
        *startedAtMs = nowMs();
    if (!zv.start()) {
        *why = QStringLiteral("the program did not start: ") + zv.error();
        return -1;
    }
    if (!waitUntil([&] { return memberPageLoaded(zv); }, 60000, 5)) {
        *why = QStringLiteral("the member page did not load within 60 s");
        return -1;
    }
    return t.elapsed();
}

// Milliseconds from just before the bare view is started to its member page having loaded; -1
// when it does not start or the page does not load in time. startedAtMs as for the program.
qint64 startBareView(BareViewRun& bare, QString* why, qint64* startedAtMs = nullptr)
{
    QElapsedTimer t;
    t.start();
    if (startedAtMs)
        *startedAtMs = nowMs();
    if (!bare.start(DevService::lineUrl(0) + MemberPage) || !bare.waitForLoaded(60000)) {
        *why = QStringLiteral("the bare view: ") + bare.error();
        return -1;
    }
    return t.elapsed();
}

// Ends the bare view with all its engine processes before the next figure is taken.
void stopBareView(BareViewRun& bare)
{
    const QList<qint64> left = bare.stop();
    if (!left.isEmpty())
        progress(QStringLiteral("warning: %1 processes of the bare view outlived a kill")
                     .arg(left.size()));
}

// Request log entries after `since` (control requests are never logged).
QList<LogEntry> logSince(DevService& service, qint64 since)
{
    QByteArray answer;
    if (service.control(QStringLiteral("GET"), QStringLiteral("/_dev/log?since=%1").arg(since), {},
                        &answer) != 200)
        return {};
    return parseRequestLog(answer);
}

QList<LogEntry> listRequestsSince(DevService& service, qint64 since)
{
    QList<LogEntry> out;
    for (const LogEntry& e : logSince(service, since)) {
        if (e.path == ListPath)
            out.append(e);
    }
    return out;
}

qint64 lastSeq(DevService& service)
{
    const QList<LogEntry> all = service.log();
    return all.isEmpty() ? 0 : all.last().seq;
}

// Waits for the next list request after `since`; nullopt when none comes in time.
std::optional<LogEntry> nextListRequest(DevService& service, qint64 since, int timeoutMs)
{
    std::optional<LogEntry> found;
    waitUntil(
        [&] {
            const QList<LogEntry> r = listRequestsSince(service, since);
            if (!r.isEmpty())
                found = r.first();
            return found.has_value();
        },
        timeoutMs, 10);
    return found;
}

// The window with the popup's caption at `w` or below it (a window manager's frame).
quint32 popupIn(XConnection& x, quint32 w, int depth)
{
    if (x.windowName(w) == PopupCaption)
        return w;
    if (depth == 0)
        return 0;
    for (quint32 child : x.children(w)) {
        if (const quint32 found = popupIn(x, child, depth - 1))
            return found;
    }
    return 0;
}

QList<WindowId> mappedPopups(qint64 pid)
{
    QList<WindowId> out;
    for (WindowId w : findWindows(PopupCaption, pid)) {
        if (isMapped(w))
            out.append(w);
    }
    return out;
}

void closePopups(qint64 pid)
{
    for (WindowId w : mappedPopups(pid))
        closeWindow(w);
    waitUntil([&] { return mappedPopups(pid).isEmpty(); }, 5000, 20);
}

// Serves `list`, starts the program with that poll interval and waits for its member page and
// its first poll, which takes the list as its baseline. Nothing when that fails (the reason
// goes to `problems`).
std::unique_ptr<Program> startPolling(DevService& service, const QString& list, int pollMs,
                                      const char* what, QStringList& problems)
{
    service.setList(QStringLiteral("tx"), list);
    const qint64 from = lastSeq(service);
    auto zv = std::make_unique<Program>(programOptions(pollMs));
    QString why;
    if (startAndWaitForMemberPage(*zv, &why) < 0) {
        problems << QLatin1String(what) + QStringLiteral(": ") + why;
        return {};
    }
    if (!nextListRequest(service, from, 10000)) {
        problems << QLatin1String(what) + QStringLiteral(": the program does not poll");
        return {};
    }
    return zv;
}

// ---- the measurements ----

struct Results {
    QList<double> startMs;
    QList<double> bareStartMs;
    QList<Timeline> timelines, bareTimelines; // one per start
    std::optional<Memory> memStart, memNotices, memPolls;
    std::optional<Memory> memBare;
    int notices = 0;
    int polls = 0;
    int pollMs = 0;
    std::optional<double> cpuProgram, cpuHelpers, cpuBaseline;
    int requestsDuringStall = 0;
    QList<double> latencyWindowMs, latencyTraceMs;
    QList<double> latencyCreatedMs; // the popup window seen before it was mapped
    QStringList problems;
    QString loadAtStart;
};

// The one-minute load average: other work on the machine shows in every figure.
QString loadAverage()
{
    QFile f(QStringLiteral("/proc/loadavg"));
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll().split(' ').value(0))
                                       : QStringLiteral("?");
}

// How long the steps that may come after the page has loaded are waited for.
constexpr int kLateStepsMs = 1000;

// The steps a start wrote, with the arrival of its member page's request at the service (the
// first one logged after `fromSeq`) as the step "served".
Timeline timelineOf(const QByteArray& steps, qint64 startedAtMs, DevService& service,
                    qint64 fromSeq)
{
    Timeline t = bench::parseTimeline(steps, startedAtMs);
    for (const LogEntry& e : logSince(service, fromSeq)) {
        if (e.path == MemberPage) {
            bench::addStep(t, QStringLiteral("served"),
                           static_cast<double>(e.timeMs - startedAtMs));
            break;
        }
    }
    return t;
}

QString describeTimeline(const Timeline& t)
{
    QStringList steps;
    for (const bench::Step& s : t)
        steps << QStringLiteral("%1 %2").arg(s.name).arg(s.ms, 0, 'f', 0);
    return steps.join(QStringLiteral(", "));
}

void startProgramOnce(int i, DevService& service, const QTemporaryDir& timelines, Results& r)
{
    const QString timeline = timelines.filePath(QStringLiteral("start-%1.log").arg(i + 1));
    Program zv(programOptions(0, timeline));
    QString why;
    const qint64 fromSeq = lastSeq(service);
    qint64 startedAt = 0;
    const qint64 ms = startAndWaitForMemberPage(zv, &why, &startedAt);
    if (ms < 0) {
        r.problems << QStringLiteral("start-up %1: %2").arg(i + 1).arg(why);
        return;
    }
    r.startMs << static_cast<double>(ms);
    progress(QStringLiteral("start %1: member page loaded after %2 ms").arg(i + 1).arg(ms));
    pause(kLateStepsMs);
    QFile steps(timeline);
    r.timelines << timelineOf(steps.open(QIODevice::ReadOnly) ? steps.readAll() : QByteArray(),
                              startedAt, service, fromSeq);
    progress(QStringLiteral("  steps: ") + describeTimeline(r.timelines.last()));
}

void startBareViewOnce(int i, DevService& service, Results& r)
{
    BareViewRun bare(desktop(), QStringLiteral(ZV_BAREVIEW_EXE));
    QString why;
    const qint64 fromSeq = lastSeq(service);
    qint64 startedAt = 0;
    const qint64 ms = startBareView(bare, &why, &startedAt);
    if (ms >= 0) {
        pause(kLateStepsMs);
        r.bareTimelines << timelineOf(bare.steps(), startedAt, service, fromSeq);
    }
    stopBareView(bare);
    if (ms < 0) {
        r.problems << QStringLiteral("bare view start-up %1: %2").arg(i + 1).arg(why);
        return;
    }
    r.bareStartMs << static_cast<double>(ms);
    progress(QStringLiteral("bare view start %1: page loaded after %2 ms").arg(i + 1).arg(ms));
    progress(QStringLiteral("  steps: ") + describeTimeline(r.bareTimelines.last()));
}

// The program's starts take turns with the bare view's, so that a change in the load of the
// machine weighs on both alike.
void measureStartUp(DevService& service, const Sizes& sizes, Results& r)
{
    QTemporaryDir timelines;
    if (!timelines.isValid()) {
        r.problems << QStringLiteral("start-up: no temporary folder for the timelines");
        return;
    }
    for (int i = 0; i < sizes.starts; ++i) {
        startProgramOnce(i, service, timelines, r);
        startBareViewOnce(i, service, r);
    }
}

// The bare view's memory, taken as the program's after start-up: a while after its page has
// loaded, and with nothing else of the benchmark's running (Pss divides the engine's libraries
// among all the processes that have them mapped).
void measureBareViewMemory(Results& r)
{
    BareViewRun bare(desktop(), QStringLiteral(ZV_BAREVIEW_EXE));
    QString why;
    if (startBareView(bare, &why) < 0) {
        r.problems << QStringLiteral("bare view memory: ") + why;
        stopBareView(bare);
        return;
    }
    pause(3000);
    r.memBare = memoryOf(bare.pid());
    progress(QStringLiteral("bare view memory after its page loaded: ") + fmtMemory(*r.memBare));
    stopBareView(bare);
}

// The end of a phase that was to reach `wanted` `what`s: a shortfall is noted, then the program
// settles and is measured.
Memory settleAndMeasure(const Program& zv, int reached, int wanted, const char* what,
                        const QElapsedTimer& phase, QStringList& problems)
{
    if (reached < wanted)
        problems << QStringLiteral("memory: only %1 %2").arg(reached).arg(QLatin1String(what));
    progress(QStringLiteral("%1 %2 in %3 s")
                 .arg(reached)
                 .arg(QLatin1String(what))
                 .arg(phase.elapsed() / 1000.0));
    pause(3000);
    const Memory m = memoryOf(zv.pid());
    progress(QStringLiteral("memory after %1: ").arg(QLatin1String(what)) + fmtMemory(m));
    return m;
}

void measureMemory(DevService& service, const Sizes& sizes, Results& r)
{
    r.pollMs = 40;
    int version = 0;
    const auto started =
        startPolling(service, messageList(allLines(version)), r.pollMs, "memory", r.problems);
    if (!started)
        return;
    Program& zv = *started;
    pause(3000);
    r.memStart = memoryOf(zv.pid());
    progress(QStringLiteral("memory after start-up: ") + fmtMemory(*r.memStart));

    // Every line changes each time: eight notices per announced list.
    auto popups = [&] { return static_cast<int>(zv.traceOf(QStringLiteral("popup")).size()); };
    int misses = 0;
    QElapsedTimer t;
    t.start();
    while (popups() < sizes.notices && misses < 3 && t.elapsed() < 180000) {
        const int before = popups();
        service.setList(QStringLiteral("tx"), messageList(allLines(++version)));
        if (!waitUntil([&] { return popups() > before; }, 5000, 5)) {
            ++misses;
            continue;
        }
        // One poll opens all its popups in one go; a moment more catches the last of them.
        pause(50);
    }
    r.notices = popups();
    r.memNotices = settleAndMeasure(zv, r.notices, sizes.notices, "notices", t, r.problems);

    // The same list poll after poll.
    const qint64 from = lastSeq(service);
    t.restart();
    waitUntil(
        [&] {
            r.polls = static_cast<int>(listRequestsSince(service, from).size());
            return r.polls >= sizes.polls;
        },
        240000, 1000);
    r.memPolls = settleAndMeasure(zv, r.polls, sizes.polls, "polls", t, r.problems);
    if (!zv.running())
        r.problems << QStringLiteral("memory: the program ended during the run");
}

// Latency of single notices, then CPU of the same program while its fetch stalls.
void measureLatencyAndCpu(DevService& service, const Sizes& sizes, Results& r)
{
    QList<int> ids = allLines(1000);
    const auto started = startPolling(service, messageList(ids), 500, "latency", r.problems);
    if (!started)
        return;
    Program& zv = *started;
    pause(1500);

    for (int round = 0; round < sizes.latencyRounds; ++round) {
        closePopups(zv.pid());
        // Change the list just after a poll was answered, so that the next request is the
        // first to see it.
        const auto before = nextListRequest(service, lastSeq(service), 5000);
        if (!before) {
            r.problems << QStringLiteral("latency: no poll");
            break;
        }
        pause(100);
        const int tracedBefore = static_cast<int>(zv.traceOf(QStringLiteral("popup")).size());
        // Top-level windows are known before the change; a new one is looked into until the
        // popup's caption shows, then its map state is watched: a question or two to the X
        // server per look instead of a walk over every window.
        XConnection& x = desktop().x();
        const QList<quint32> known = x.children(x.root());
        ids[0] += 1;
        service.setList(QStringLiteral("tx"), messageList(ids));
        quint32 popup = 0;
        qint64 createdAt = 0;
        qint64 windowAt = 0;
        qint64 tracedAt = 0;
        QElapsedTimer t;
        t.start();
        while ((!windowAt || !tracedAt) && t.elapsed() < 5000) {
            if (!tracedAt && zv.traceOf(QStringLiteral("popup")).size() > tracedBefore)
                tracedAt = nowMs();
            if (!popup) {
                for (quint32 w : x.children(x.root())) {
                    if (!known.contains(w) && (popup = popupIn(x, w, 3)) != 0)
                        break;
                }
                if (popup)
                    createdAt = nowMs();
            }
            if (popup && !windowAt && x.mapState(popup) == 2)
                windowAt = nowMs();
            QCoreApplication::processEvents();
            QThread::usleep(200);
        }
        const QList<LogEntry> after = listRequestsSince(service, before->seq);
        if (!windowAt || after.isEmpty()) {
            r.problems << QStringLiteral("latency round %1: no popup").arg(round + 1);
            continue;
        }
        const qint64 servedAt = after.first().timeMs;
        r.latencyWindowMs << static_cast<double>(windowAt - servedAt);
        if (tracedAt)
            r.latencyTraceMs << static_cast<double>(tracedAt - servedAt);
        if (createdAt < windowAt)
            r.latencyCreatedMs << static_cast<double>(createdAt - servedAt);
    }
    progress(QStringLiteral("notice latency: ") + fmtStats(statsOf(r.latencyWindowMs), "ms"));
    closePopups(zv.pid());

    // A list request that never gets its answer; the program waits for it.
    const qint64 from = lastSeq(service);
    service.setList(QStringLiteral("tx"), messageList(ids), {.hang = true});
    const auto stalled = nextListRequest(service, from, 5000);
    if (!stalled) {
        r.problems << QStringLiteral("cpu: no stalled request");
        return;
    }
    const double c0 = cpuSeconds(zv.pid());
    const double h0 = bench::cpuSecondsOfDescendants(zv.pid());
    pause(sizes.stallMs);
    const double c1 = cpuSeconds(zv.pid());
    const double h1 = bench::cpuSecondsOfDescendants(zv.pid());
    // With the fetch still waiting, no second poll may start.
    r.requestsDuringStall = static_cast<int>(listRequestsSince(service, stalled->seq).size());
    if (c0 < 0 || c1 < 0) {
        r.problems << QStringLiteral("cpu: the program ended during the stall");
        return;
    }
    r.cpuProgram = c1 - c0;
    r.cpuHelpers = h1 - h0;
    progress(QStringLiteral("program CPU during the stall: %1 s").arg(*r.cpuProgram, 0, 'f', 2));
}

void measureBaseline(DevService& service, const Sizes& sizes, Results& r)
{
    const qint64 from = lastSeq(service);
    QProcess busy;
    busy.setProgram(QStringLiteral(ZV_BUSYWAIT_EXE));
    busy.setArguments({DevService::lineUrl(0) + ListPath + QStringLiteral("?s=baseline"),
                       QString::number(sizes.stallMs + 3000)});
    busy.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    busy.start();
    if (!busy.waitForStarted(10000)) {
        r.problems << QStringLiteral("baseline: ") + busy.errorString();
        return;
    }
    const auto stalled = nextListRequest(service, from, 10000);
    const double c0 = cpuSeconds(busy.processId());
    if (stalled)
        pause(sizes.stallMs);
    const double c1 = cpuSeconds(busy.processId());
    busy.waitForFinished(sizes.stallMs + 10000);
    if (!stalled || c0 < 0 || c1 < 0) {
        r.problems << QStringLiteral("baseline: no stalled request or the loop ended early");
        return;
    }
    r.cpuBaseline = c1 - c0;
    progress(QStringLiteral("busy-wait CPU during the stall: %1 s").arg(*r.cpuBaseline, 0, 'f', 2));
}

void row(const char* figure, const QString& value, const QString& baseline = {})
{
    std::printf("  %-34s %s\n", figure, qPrintable(value));
    if (!baseline.isEmpty())
        std::printf("  %-34s %s\n", "", qPrintable(baseline));
}

// Program / bare view, or "n/a" when either is missing.
QString ratioOf(std::optional<double> program, std::optional<double> bare)
{
    if (!program || !bare || *bare <= 0)
        return QStringLiteral("n/a");
    return QString::number(*program / *bare, 'f', 2);
}

void comparisonRow(const char* figure, std::optional<double> program, std::optional<double> bare,
                   const char* unit, int decimals)
{
    auto value = [&](std::optional<double> v) {
        return v ? QStringLiteral("%1 %2").arg(*v, 0, 'f', decimals).arg(QLatin1String(unit))
                 : QStringLiteral("n/a");
    };
    std::printf("  %-34s %-14s %-14s %s\n", figure, qPrintable(value(program)),
                qPrintable(value(bare)), qPrintable(ratioOf(program, bare)));
}

// What each step of the timelines is; a step not named here is shown by its own name.
QString stepText(const QString& step)
{
    static const QList<std::pair<const char*, const char*>> texts = {
        {"main", "main() entered (libraries loaded)"},
        {"application", "application object made"},
        {"folders", "settings folder decided"},
        {"lock", "single-instance lock taken"},
        {"listener", "second-start listener up"},
        {"settings", "server line read from the settings"},
        {"controls", "main window's controls built"},
        {"browser", "browser view made"},
        {"tray", "tray made"},
        {"notices", "notices made"},
        {"tray started", "tray on the bus and the X server"},
        {"notices started", "notices on the bus"},
        {"tray shown", "tray icon on the screen"},
        {"config", "boxes read from the settings"},
        {"placed", "window sized and placed"},
        {"request", "member page asked for (navigate)"},
        {"frame asked", "window made, its frame asked for"},
        {"tray added", "tray icon added"},
        {"shown", "main window shown"},
        {"event loop", "event loop's first turn"},
        {"load started", "engine started the page's load"},
        {"served", "member page's request at the service"},
        {"load finished", "engine finished the page's load"},
        {"loaded", "member page loaded"},
    };
    for (const auto& [name, text] : texts) {
        if (step == QLatin1String(name))
            return QLatin1String(text);
    }
    return step;
}

// Each step of the start, program and bare view side by side: when it came (median over the
// starts), what it cost (the time since the step before it in the same start, median) and how
// much of that the user-interface thread worked (its processor time, median).
void reportTimeline(const Results& r)
{
    const QList<StepSummary> program = bench::summarise(r.timelines);
    const QList<StepSummary> bare = bench::summarise(r.bareTimelines);
    std::printf("\n  %-44s %-26s %s\n", "start-up timeline, ms from the start", "program",
                "bare view");
    std::printf("  %-44s %-6s %-9s %-9s %-6s %-9s %s\n", "(medians over the starts)", "at",
                "its cost", "UI CPU", "at", "its cost", "UI CPU");
    std::printf("  %s\n", std::string(100, '-').c_str());
    QList<StepSummary> rows = program;
    for (const StepSummary& s : bare) {
        if (bench::summaryOf(program, s.name).at.n == 0)
            rows.append(s); // a step only the bare view has, after the program's
    }
    auto cells = [](const StepSummary& s) {
        if (s.at.n == 0)
            return QStringLiteral("%1 %2 %3")
                .arg(QString(), -6)
                .arg(QString(), -9)
                .arg(QString(), -9);
        return QStringLiteral("%1 %2 %3")
            .arg(QString::number(s.at.median, 'f', 0), -6)
            .arg(QString::number(s.cost.median, 'f', 0), -9)
            .arg(s.cpu.n ? QString::number(s.cpu.median, 'f', 0) : QString(), -9);
    };
    for (const StepSummary& row : rows) {
        std::printf("  %-44s %s %s\n", qPrintable(stepText(row.name)),
                    qPrintable(cells(bench::summaryOf(program, row.name))),
                    qPrintable(cells(bench::summaryOf(bare, row.name)).trimmed()));
    }
}

// Start-up and memory after start-up of the program beside those of the bare view.
void compareWithBareView(const Results& r)
{
    std::printf("\n  %-34s %-14s %-14s %s\n", "against a bare view (zv-bareview)", "program",
                "bare view", "program / bare view");
    std::printf("  %s\n", std::string(96, '-').c_str());

    const Stats program = statsOf(r.startMs);
    const Stats bare = statsOf(r.bareStartMs);
    auto startUp = [&](const char* figure, auto field) {
        comparisonRow(figure, program.n ? std::optional(program.*field) : std::nullopt,
                      bare.n ? std::optional(bare.*field) : std::nullopt, "ms", 0);
    };
    startUp("start-up, median", &Stats::median);
    startUp("start-up, min", &Stats::min);
    startUp("start-up, max", &Stats::max);
    // The same steps in the timelines: the request's arrival at the service, and the page
    // loaded as each says it itself.
    auto step = [&](const char* figure, const char* name, auto field) {
        const StepSummary p = bench::summaryOf(bench::summarise(r.timelines), QLatin1String(name));
        const StepSummary b =
            bench::summaryOf(bench::summarise(r.bareTimelines), QLatin1String(name));
        comparisonRow(figure, p.at.n ? std::optional(p.at.*field) : std::nullopt,
                      b.at.n ? std::optional(b.at.*field) : std::nullopt, "ms", 0);
    };
    step("request at the service, median", "served", &Stats::median);
    step("request at the service, min", "served", &Stats::min);
    step("page loaded, own clock, median", "loaded", &Stats::median);
    step("page loaded, own clock, min", "loaded", &Stats::min);

    auto memory = [&](const char* figure, double (Memory::*mb)() const) {
        auto of = [&](const std::optional<Memory>& m) {
            return m ? std::optional((*m.*mb)()) : std::nullopt;
        };
        comparisonRow(figure, of(r.memStart), of(r.memBare), "MB", 1);
    };
    memory("Pss after start-up", &Memory::pssMb);
    memory("RSS sum after start-up", &Memory::rssMb);
    memory("anonymous after start-up", &Memory::anonMb);

    QStringList each;
    for (double v : r.bareStartMs)
        each << QString::number(v, 'f', 0);
    row("", QStringLiteral("bare view: starts %1 ms (n=%2); %3 processes after its load")
                .arg(each.isEmpty() ? QStringLiteral("n/a") : each.join(QStringLiteral(", ")))
                .arg(bare.n)
                .arg(r.memBare ? QString::number(r.memBare->processes) : QStringLiteral("n/a")));
}

void reportProblems(const Results& r)
{
    if (!r.problems.isEmpty()) {
        std::printf("\n  Not measured or incomplete:\n");
        for (const QString& p : r.problems)
            std::printf("  - %s\n", qPrintable(p));
    }
    std::fflush(stdout);
}

void report(const Sizes& sizes, const Results& r, qint64 totalMs)
{
    std::printf("\nZelvar快报 benchmark, %s, %d cores, Qt %s, %.0f s; load average %s at the "
                "start, %s at the end\n",
                qPrintable(QSysInfo::prettyProductName()), QThread::idealThreadCount(), qVersion(),
                totalMs / 1000.0, qPrintable(r.loadAtStart), qPrintable(loadAverage()));
    std::printf("  %-34s %s\n", "figure", "value");
    std::printf("  %s\n", std::string(96, '-').c_str());

    row(
        "start-up to member page loaded", fmtStats(statsOf(r.startMs), "ms"),
        QStringLiteral("each: ") + [&] {
            QStringList each;
            for (double v : r.startMs)
                each << QString::number(v, 'f', 0);
            return each.join(QStringLiteral(", ")) + QStringLiteral(" ms");
        }());
    if (sizes.startUpOnly) {
        reportTimeline(r);
        compareWithBareView(r);
        reportProblems(r);
        return;
    }

    auto memoryRow = [&](const char* figure, const std::optional<Memory>& m, const QString& note) {
        row(figure, m ? fmtMemory(*m) : QStringLiteral("n/a"), note);
    };
    memoryRow("memory after start-up", r.memStart, {});
    memoryRow("memory after notices", r.memNotices,
              r.memStart && r.memNotices ? QStringLiteral("%1 notices; growth ").arg(r.notices) +
                                               fmtGrowth(*r.memStart, *r.memNotices)
                                         : QString());
    memoryRow("memory after polls", r.memPolls,
              r.memNotices && r.memPolls
                  ? QStringLiteral("%1 polls every %2 ms; growth ").arg(r.polls).arg(r.pollMs) +
                        fmtGrowth(*r.memNotices, *r.memPolls) + QStringLiteral("; since start ") +
                        fmtGrowth(*r.memStart, *r.memPolls)
                  : QString());

    const QString stall = QStringLiteral("%1 s").arg(sizes.stallMs / 1000.0, 0, 'f', 0);
    row("CPU during a stalled fetch",
        r.cpuProgram ? QStringLiteral("%1 s in %2 (engine processes %3 s; %4 polls started)")
                           .arg(*r.cpuProgram, 0, 'f', 2)
                           .arg(stall)
                           .arg(r.cpuHelpers.value_or(0), 0, 'f', 2)
                           .arg(r.requestsDuringStall)
                     : QStringLiteral("n/a"),
        r.cpuBaseline ? QStringLiteral("baseline busy-wait loop: %1 s (%3 % of one core); ratio %2")
                            .arg(*r.cpuBaseline, 0, 'f', 2)
                            .arg(r.cpuProgram && *r.cpuProgram > 0
                                     ? QStringLiteral("%1 x less")
                                           .arg(*r.cpuBaseline / *r.cpuProgram, 0, 'f', 0)
                                     : QStringLiteral("n/a (program used under one clock tick)"))
                            .arg(100.0 * *r.cpuBaseline * 1000.0 / sizes.stallMs, 0, 'f', 0)
                      : QStringLiteral("baseline: n/a"));

    row("notice latency (window mapped)", fmtStats(statsOf(r.latencyWindowMs), "ms"),
        QStringLiteral("trace line written: ") + fmtStats(statsOf(r.latencyTraceMs), "ms") +
            QStringLiteral("; window created (still unmapped): ") +
            fmtStats(statsOf(r.latencyCreatedMs), "ms"));

    reportTimeline(r);
    compareWithBareView(r);

    std::printf(
        "\n  Memory, summed over the program and its engine processes: RSS = VmRSS (pages shared\n"
        "  by the processes count once per process), anonymous = RssAnon (heaps and stacks,\n"
        "  where a leak shows), Pss from smaps_rollup (shared pages divided among all sharers,\n"
        "  so it moves with other programs on the machine). CPU: utime + stime.\n"
        "  Latency: from the arrival of the first list request that gets the changed list\n"
        "  (service log) to the new popup window being mapped on the X server.\n"
        "  Bare view: a Qt WebEngine window alone on the same member page, in the same desktop;\n"
        "  its starts take turns with the program's, and its memory is taken 3 s after its page\n"
        "  loaded, as the program's after start-up is, with nothing else of the benchmark's up.\n"
        "  Timeline: the steps each start wrote with the time it reached them (traced builds),\n"
        "  and the member page's request as the service's log saw it arrive; start-up figures\n"
        "  above are from just before the start to the benchmark's seeing the page loaded.\n"
        "  UI CPU: the user-interface thread's processor time since the step before that said\n"
        "  its own (the request's arrival says none); a cost well above it is waiting, mostly\n"
        "  for the engine's processes.\n");
    reportProblems(r);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Sizes sizes;
    if (app.arguments().contains(QStringLiteral("--quick")))
        sizes = {.starts = 2, .notices = 40, .polls = 50, .latencyRounds = 3, .stallMs = 3000};
    sizes.startUpOnly = app.arguments().contains(QStringLiteral("--start-up"));
    for (const QString& arg : app.arguments())
        if (arg.startsWith(QStringLiteral("--starts=")))
            sizes.starts = std::max(1, arg.mid(9).toInt());

    QElapsedTimer total;
    total.start();
    Results r;
    r.loadAtStart = loadAverage();
    Desktop& d = Desktop::instance();
    if (!d.started()) {
        std::fprintf(stderr, "zvbench: the headless desktop did not start: %s\n",
                     qPrintable(d.error()));
        return 1;
    }
    DevService service;
    if (!service.start()) {
        std::fprintf(stderr, "zvbench: the development service did not start: %s\n",
                     qPrintable(service.error()));
        return 1;
    }
    progress(QStringLiteral("start-up, %1 starts of the program and of the bare view")
                 .arg(sizes.starts));
    measureStartUp(service, sizes, r);
    if (sizes.startUpOnly) {
        report(sizes, r, total.elapsed());
        return r.problems.isEmpty() ? 0 : 1;
    }
    progress(QStringLiteral("bare view memory"));
    measureBareViewMemory(r);
    progress(QStringLiteral("memory: %1 notices, %2 polls").arg(sizes.notices).arg(sizes.polls));
    measureMemory(service, sizes, r);
    progress(QStringLiteral("notice latency and CPU"));
    measureLatencyAndCpu(service, sizes, r);
    measureBaseline(service, sizes, r);
    service.setList(QStringLiteral("tx"), messageList(allLines(0)));
    report(sizes, r, total.elapsed());
    return r.problems.isEmpty() ? 0 : 1;
}
