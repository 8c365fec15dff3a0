// Fault runs of the real program: a message service that dies, stalls, resets, floods or answers
// garbage, and kill -9 of the program in the middle of a burst of preference changes. The
// program keeps polling, announces only the real changes and never loses its settings file.
#include "harness/harness.h"
#include "startup/gbkcodec.h"
#include "startup/settings.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>
#include <random>

using namespace harness;

namespace
{

const QString DialogCaption = QStringLiteral("右下角提醒，详细设置");
// A test build's poll period and fetch time limit, both far below a member's (30 s and 20 s,
// checked by the poll's and the page fetch's own tests); the limit is still ten polls long.
constexpr int PollMs = 500;
constexpr int FetchTimeoutMs = 5000;

// Main-window boxes, client coordinates of their indicators.
const QPoint Check1At(438, 14);
const QPoint ShengyinAt(662, 14);

void pause(int ms)
{
    waitUntil([] { return false; }, ms);
}

QProcessEnvironment pollEnvironment()
{
    QProcessEnvironment env;
    env.insert(QStringLiteral("ZV_TEST_POLL_MS"), QString::number(PollMs));
    env.insert(QStringLiteral("ZV_TEST_FETCH_MS"), QString::number(FetchTimeoutMs));
    return env;
}

QString readConfig(const Program& zv, const QString& section, const QString& key)
{
    return ReadIni(section, key, zv.configPath());
}

// Clicks a box and waits until the settings file holds its new state.
bool toggleAndWait(Program& zv, WindowId w, QPoint at, const QString& key, int timeoutMs = 5000)
{
    const QString before = readConfig(zv, QStringLiteral("config"), key);
    // Every box clicked here is ticked when its key is absent.
    const QString expected =
        before == QLatin1String("0") ? QStringLiteral("1") : QStringLiteral("0");
    // Two clicks on one spot must not make a double click.
    pause(450);
    if (!click(w, at.x(), at.y()))
        return false;
    return waitUntil([&] { return readConfig(zv, QStringLiteral("config"), key) == expected; },
                     timeoutMs, 50);
}

// ---------------------------------------------------------------------------------------------
// Faults of the message list

// The message list in versions: version 0 is the service's own default list, every later one
// changes line 5 (机构密函, the only category chosen) to an item of its own.
class ListVersions
{
public:
    explicit ListVersions(const QString& defaultList)
        : lines_(defaultList.split(QStringLiteral("\r\n")))
    {
    }
    bool valid() const { return lines_.size() >= 8; }

    QString list(int version) const
    {
        QStringList l = lines_;
        if (version > 0)
            l[5] = QStringLiteral("%1,变更标题%2,机构密函,/nc/show.asp?id=%1,2026-12-07")
                       .arg(9000 + version)
                       .arg(version);
        return l.join(QStringLiteral("\r\n"));
    }
    QString line(int version, int i) const
    {
        return list(version).split(QStringLiteral("\r\n"))[i];
    }
    // The title of this version's new item, the one its popup shows.
    QString title(int version) const { return line(version, 5).split(QLatin1Char(','))[1]; }

private:
    QStringList lines_;
};

class MessageFaults : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Desktop& d = Desktop::instance();
        ASSERT_TRUE(d.started()) << d.error().toStdString();
        ASSERT_TRUE(service.start()) << service.error().toStdString();
    }

    int txCount()
    {
        int n = 0;
        for (const LogEntry& e : service.log())
            n += e.path == QLatin1String("/nc/tx.asp");
        return n;
    }

    // Waits for n more polls of the message list; they are added to the run's count.
    bool waitForPolls(int n, int timeoutMs = 0)
    {
        const int from = txCount();
        int now = from;
        const bool ok = waitUntil(
            [&] {
                now = txCount();
                return now >= from + n;
            },
            timeoutMs > 0 ? timeoutMs : n * PollMs * 4 + 5000, 200);
        polls += now - from;
        return ok;
    }

    // A fresh log from now on; what it held is counted first.
    void freshLog()
    {
        polls += txCount();
        ASSERT_TRUE(service.clearLog());
    }

    int popups() const { return zv.traceOf(QStringLiteral("popup")).size(); }

    // Serves the next version and waits for its one popup; returns the ms it took.
    qint64 announceNext(int timeoutMs = 15000)
    {
        const int before = popups();
        ++version;
        const QString shown = versions->title(version);
        QElapsedTimer t;
        t.start();
        if (!service.setList(QStringLiteral("tx"), versions->list(version))) {
            ADD_FAILURE() << "the service refused list version " << version;
            return -1;
        }
        const bool announced = waitUntil([&] { return popups() > before; }, timeoutMs, 50);
        const qint64 ms = t.elapsed();
        EXPECT_TRUE(announced) << "version " << version << " not announced";
        // Later polls of the same list announce nothing more.
        EXPECT_TRUE(waitForPolls(2));
        const QStringList traced = zv.traceOf(QStringLiteral("popup"));
        EXPECT_EQ(traced.size(), before + 1) << traced.join('\n').toStdString();
        if (!traced.isEmpty()) {
            EXPECT_TRUE(traced.last().contains(shown)) << traced.last().toStdString();
        }
        return ms;
    }

    // Serves a faulty answer for a few polls; the program must not take it as a change.
    void faultyPolls(const char* what, const QByteArray& bytes, const ListOptions& options,
                     bool raw = false)
    {
        const int before = popups();
        ASSERT_TRUE(raw ? service.setListRaw(QStringLiteral("tx"), bytes, options)
                        : service.setList(QStringLiteral("tx"), QString::fromUtf8(bytes), options))
            << what;
        freshLog();
        EXPECT_TRUE(waitForPolls(3)) << what << ": the program stopped polling";
        EXPECT_EQ(popups(), before) << what << " was announced";
        EXPECT_TRUE(zv.running()) << what;
    }

    void report(const char* fault, qint64 ms)
    {
        std::printf("[ fault    ] %-34s next change announced after %lld ms\n", fault,
                    static_cast<long long>(ms));
    }

    DevService service;
    Program zv{{.config = QByteArray("[config]\r\nzvgs=0\r\nzvzb=0\r\nzvzc=0\r\njdkb=0\r\n"
                                     "jgmh=1\r\njncz=0\r\nsmnc=0\r\ntckb=0\r\n"),
                .extraEnv = pollEnvironment()}};
    std::unique_ptr<ListVersions> versions;
    int version = 0;
    int polls = 0;
};

TEST_F(MessageFaults, theProgramKeepsPollingAndAnnouncesOnlyRealChanges)
{
    QElapsedTimer run;
    run.start();
    QByteArray defaultList;
    ASSERT_EQ(
        service.control(QStringLiteral("GET"), QStringLiteral("/nc/tx.asp?s=0"), {}, &defaultList),
        200);
    versions = std::make_unique<ListVersions>(GbkCodec::decode(defaultList));
    ASSERT_TRUE(versions->valid()) << defaultList.constData();
    ASSERT_TRUE(service.clearLog());

    ASSERT_TRUE(zv.start()) << zv.error().toStdString();
    const WindowId mainWindow = zv.waitForMainWindow();
    ASSERT_NE(mainWindow, 0u) << describeWindows().toStdString();
    // The baseline: the service's default list, which is also what it serves after a restart.
    ASSERT_TRUE(waitForPolls(2, 30000));
    ASSERT_EQ(popups(), 0);

    // 1. The service dies while a poll waits for its answer, and comes back.
    {
        ASSERT_TRUE(service.setList(QStringLiteral("tx"), versions->list(0), {.hang = true}));
        freshLog();
        ASSERT_TRUE(service.waitForPath(QStringLiteral("/nc/tx.asp"), 5000).has_value());
        polls += 1;
        pause(300);
        ASSERT_EQ(::kill(static_cast<pid_t>(service.pid()), SIGKILL), 0);
        ASSERT_TRUE(waitUntil([&] { return !service.running(); }, 5000));
        QElapsedTimer down;
        down.start();
        pause(3 * PollMs); // polls meet a closed port meanwhile
        ASSERT_TRUE(service.start()) << service.error().toStdString();
        std::printf("[ fault    ] service down for %lld ms\n",
                    static_cast<long long>(down.elapsed()));
        QElapsedTimer back;
        back.start();
        EXPECT_TRUE(waitForPolls(1)) << "no poll after the service came back";
        std::printf("[ fault    ] first poll %lld ms after the restart\n",
                    static_cast<long long>(back.elapsed()));
        EXPECT_EQ(popups(), 0);
        report("service killed mid-poll", announceNext());
    }

    // 2. An answer that never comes: the fetch gives up, and meanwhile the window responds and
    //    no second poll starts.
    {
        ASSERT_TRUE(service.setList(QStringLiteral("tx"), versions->list(version), {.hang = true}));
        freshLog();
        ASSERT_TRUE(service.waitForPath(QStringLiteral("/nc/tx.asp"), 5000).has_value());
        QElapsedTimer stalled;
        stalled.start();
        // Popups minimise a main window that is not the active one.
        EXPECT_TRUE(activate(mainWindow));
        EXPECT_TRUE(waitUntil([&] { return isVisible(mainWindow); }, 3000));
        EXPECT_TRUE(toggleAndWait(zv, mainWindow, ShengyinAt, QStringLiteral("shengyin")))
            << "the main window does not respond while a poll waits";
        EXPECT_TRUE(toggleAndWait(zv, mainWindow, ShengyinAt, QStringLiteral("shengyin")));
        EXPECT_EQ(txCount(), 1) << "a second poll started while the first one waited";
        const qint64 waited = stalled.elapsed();
        const qint64 ms = announceNext(FetchTimeoutMs + 10000);
        EXPECT_GE(waited + ms, FetchTimeoutMs - 1000) << "the stalled fetch ended early";
        report("stalled answer (from its request)", waited + ms);
    }

    // 3. The connection is reset without an answer.
    faultyPolls("a reset connection", {}, {.reset = true});
    report("reset connection", announceNext());

    // 4. Answers far larger than a message list: 5 MB, and one without end. Their line 5 would
    //    read as a change if they were taken.
    const QByteArray flood =
        versions->list(version)
            .replace(versions->line(version, 5),
                     QStringLiteral("5,超大应答,机构密函,/nc/show.asp?id=5,2026-12-07"))
            .toUtf8();
    faultyPolls("a 5 MB answer", flood, {.size = 5 * 1024 * 1024});
    report("5 MB answer", announceNext());
    faultyPolls("an endless answer", flood, {.endless = true});
    report("endless answer", announceNext());

    // 5. Bytes that are not GB2312: invalid sequences in the lines of categories not chosen and a
    //    lead byte cut off at the very end.
    {
        QList<QByteArray> lines = GbkCodec::encode(versions->list(version)).split('\n');
        for (int i : {0, 1, 2, 6, 7})
            lines[i] = QByteArray("\x81\x20\xff\xfe\x80,\xa1\xa1\xfe,\x80\x80,/nc/\xff\r");
        QByteArray bytes = lines.join('\n');
        bytes.chop(1); // the last line carries no CR
        bytes += '\x81';
        faultyPolls("invalid GB2312", bytes, {}, true);
        report("invalid GB2312", announceNext());
    }

    // 6. A plain-text error answer: it is no message list, and must not become the baseline
    //    that the next real list is compared with.
    faultyPolls("a plain-text error answer", "Service Unavailable", {.status = 500});
    report("plain-text error answer (500)", announceNext());

    // 7. An HTML error page with status 500.
    faultyPolls("an HTML error page",
                QStringLiteral("<html><head><title>500</title></head><body><h1>服务器内部错误"
                               "</h1><p>请稍后再试</p></body></html>")
                    .toUtf8(),
                {.status = 500});
    report("HTML error page (500)", announceNext());

    // Alive and responsive through it all, and every real change announced exactly once.
    EXPECT_TRUE(zv.running());
    EXPECT_FALSE(zv.crashed());
    EXPECT_TRUE(activate(mainWindow));
    EXPECT_TRUE(waitUntil([&] { return isVisible(mainWindow); }, 3000));
    EXPECT_TRUE(toggleAndWait(zv, mainWindow, ShengyinAt, QStringLiteral("shengyin")));
    EXPECT_EQ(popups(), version);
    polls += txCount();
    std::printf("[ fault    ] %d polls, %d changes announced, %lld ms in all\n", polls, version,
                static_cast<long long>(run.elapsed()));
}

// ---------------------------------------------------------------------------------------------
// kill -9 in the middle of preference changes

struct DialogBox {
    const char* key;
    QPoint at; // client coordinates of the indicator
};

// The category dialog's boxes (their design places in twips / 15, plus the indicator's middle).
const DialogBox DialogBoxes[] = {
    {"zvgs", {104 + 6, 16 + 12}}, {"zvzb", {184 + 6, 16 + 12}}, {"zvzc", {24 + 6, 16 + 12}},
    {"jdkb", {184 + 6, 64 + 12}}, {"jgmh", {104 + 6, 64 + 12}}, {"jncz", {264 + 6, 16 + 12}},
    {"smnc", {24 + 6, 64 + 12}},  {"tckb", {264 + 6, 64 + 12}},
};

const QStringList BoxKeys{"Check1", "Check2", "Check3", "Check4", "shengyin", "zvgs", "zvzb",
                          "zvzc",   "jdkb",   "jgmh",   "jncz",   "smnc",     "tckb", "xianlu"};

// Every key of the original file still there with a valid value, and nothing else in the file
// but its sections and key lines. Returns what is wrong, empty when nothing is.
QString checkSettings(const Program& zv, const QString& user, const QString& pass)
{
    QFile f(zv.configPath());
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("config.ini is gone");
    const QByteArray bytes = f.readAll();
    if (bytes.isEmpty())
        return QStringLiteral("config.ini is empty");
    for (const QByteArray& line : bytes.split('\n')) {
        const QByteArray l = line.trimmed();
        if (!l.isEmpty() && !(l.startsWith('[') && l.endsWith(']')) && !l.contains('='))
            return QStringLiteral("a broken line: ") + GbkCodec::decode(l);
    }
    for (const QString& key : BoxKeys) {
        const QString v = readConfig(zv, QStringLiteral("config"), key);
        if (v != QLatin1String("0") && v != QLatin1String("1"))
            return QStringLiteral("%1 is \"%2\"").arg(key, v);
    }
    if (readConfig(zv, QStringLiteral("mima"), QStringLiteral("mima")) != QLatin1String("1") ||
        readConfig(zv, QStringLiteral("mima"), QStringLiteral("user")) != user ||
        readConfig(zv, QStringLiteral("mima"), QStringLiteral("pass")) != pass)
        return QStringLiteral("the login keys changed");
    return {};
}

// Starts the program and waits until its window takes clicks: mapped, in the tray, and the
// member page loaded. 0 when it did not come up.
WindowId startReady(Program& zv)
{
    const qsizetype loads = zv.traceOf(QStringLiteral("loaded")).size();
    if (!zv.start())
        return 0;
    const WindowId w = zv.waitForMainWindow();
    if (w == 0 || waitForTrayIcon(zv.pid(), 20000) == 0 ||
        !waitUntil([&] { return zv.traceOf(QStringLiteral("loaded")).size() > loads; }, 20000))
        return 0;
    return w;
}

TEST(PreferenceKills, killMinus9DuringABurstNeverLeavesABrokenSettingsFile)
{
    Desktop& d = Desktop::instance();
    ASSERT_TRUE(d.started()) << d.error().toStdString();
    DevService service;
    ASSERT_TRUE(service.start()) << service.error().toStdString();

    const QString user = QStringLiteral("会员甲");
    const QString pass = QStringLiteral("pa55 word");
    QByteArray config("[config]\r\nxianlu=0\r\n");
    for (const QString& key : BoxKeys.mid(0, 13))
        config += key.toLatin1() + (key == "Check2" || key == "Check3" || key == "Check4"
                                        ? QByteArray("=0\r\n")
                                        : QByteArray("=1\r\n"));
    config += "[mima]\r\nmima=1\r\nuser=" + GbkCodec::encode(user) + "\r\npass=" + pass.toLatin1() +
              "\r\n";
    Program zv({.config = config});

    const unsigned seed = static_cast<unsigned>(QDateTime::currentMSecsSinceEpoch());
    std::mt19937 rng(seed);
    std::printf("[ kill     ] seed %u\n", seed);
    constexpr int Rounds = 5;
    int clicks = 0;
    int leftTemporaries = 0;
    int changedKeys = 0;
    for (int round = 0; round < Rounds; ++round) {
        SCOPED_TRACE(::testing::Message() << "round " << round << ", seed " << seed);
        const WindowId w = startReady(zv);
        ASSERT_NE(w, 0u) << zv.error().toStdString() << describeWindows().toStdString();

        // The start read the file the last round left: a click turns the stored state over.
        ASSERT_TRUE(toggleAndWait(zv, w, ShengyinAt, QStringLiteral("shengyin"), 10000))
            << "the start after a kill did not take up config.ini";
        // Check1 ticked opens the category dialog.
        if (readConfig(zv, QStringLiteral("config"), QStringLiteral("Check1")) == "1") {
            ASSERT_TRUE(toggleAndWait(zv, w, Check1At, QStringLiteral("Check1")));
        }
        ASSERT_TRUE(toggleAndWait(zv, w, Check1At, QStringLiteral("Check1")));
        const WindowId dialog = waitForWindow(DialogCaption, 10000, zv.pid());
        ASSERT_NE(dialog, 0u) << describeWindows().toStdString();
        pause(300);
        // The dialog, too, loaded its boxes from the file.
        const DialogBox& first = DialogBoxes[rng() % 8];
        ASSERT_TRUE(toggleAndWait(zv, dialog, first.at, QString::fromLatin1(first.key)));

        QMap<QString, QString> before;
        for (const QString& key : BoxKeys)
            before[key] = readConfig(zv, QStringLiteral("config"), key);

        // The burst: one xdotool run of many clicks a few ms apart, the kill somewhere inside.
        const QRect dialogArea = geometry(dialog).client;
        const QRect mainArea = geometry(w).client;
        const int n = 10 + static_cast<int>(rng() % 30);
        QStringList args;
        for (int i = 0; i < n; ++i) {
            const unsigned pick = rng() % 10;
            const QPoint p = pick < 8    ? dialogArea.topLeft() + DialogBoxes[pick].at
                             : pick == 8 ? mainArea.topLeft() + ShengyinAt
                                         : mainArea.topLeft() + Check1At;
            args << "mousemove" << QString::number(p.x()) << QString::number(p.y()) << "click"
                 << "1"
                 << "sleep" << QStringLiteral("0.0%1").arg(1 + rng() % 4);
        }
        QProcess burst;
        burst.setProcessEnvironment(d.environment());
        burst.start(QStringLiteral("xdotool"), args);
        ASSERT_TRUE(burst.waitForStarted(5000));
        const int killAfterMs = 20 + static_cast<int>(rng() % (n * 25));
        pause(killAfterMs);
        zv.kill();
        EXPECT_TRUE(zv.crashed());
        burst.kill();
        burst.waitForFinished(5000);
        clicks += n;
        int changed = 0;
        for (const QString& key : BoxKeys)
            changed += readConfig(zv, QStringLiteral("config"), key) != before[key];
        changedKeys += changed;
        std::printf("[ kill     ] round %d: %d clicks, killed after %d ms, %d keys changed\n",
                    round, n, killAfterMs, changed);

        const QString wrong = checkSettings(zv, user, pass);
        EXPECT_TRUE(wrong.isEmpty()) << wrong.toStdString() << "\n" << zv.configBytes().constData();
        // A write cut off leaves its temporary file (.config.ini.XXXXXX); the next write clears
        // such files away.
        if (!QDir(zv.folder())
                 .entryList({QStringLiteral(".config.ini.*")}, QDir::Files | QDir::Hidden)
                 .isEmpty())
            ++leftTemporaries;
        if (!wrong.isEmpty())
            break;
    }
    std::printf("[ kill     ] %d rounds, %d burst clicks, %d kills left a temporary file\n", Rounds,
                clicks, leftTemporaries);
    EXPECT_GT(changedKeys, 0) << "the bursts changed nothing";

    // A last start after the last kill reads the file and changes it as before, also with a
    // half-written temporary file left beside it (of the name earlier versions used).
    {
        QFile stray(zv.configPath() + QStringLiteral(".new"));
        ASSERT_TRUE(stray.open(QIODevice::WriteOnly | QIODevice::Truncate));
        stray.write("[config]\r\nshengyin=");
    }
    const WindowId w = startReady(zv);
    ASSERT_NE(w, 0u) << zv.error().toStdString() << describeWindows().toStdString();
    EXPECT_TRUE(toggleAndWait(zv, w, ShengyinAt, QStringLiteral("shengyin"), 10000));
    EXPECT_TRUE(checkSettings(zv, user, pass).isEmpty());
}

} // namespace
