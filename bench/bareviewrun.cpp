// The bare view's runs for the benchmark (see bareviewrun.h).
#include "bareviewrun.h"

#include "harness/desktop.h"
#include "harness/managedprocess.h"
#include "harness/windows.h"

#include <csignal>

namespace bench
{

BareViewRun::BareViewRun(harness::Desktop& desktop, const QString& executable)
    : desktop_(desktop), executable_(executable)
{
}

BareViewRun::~BareViewRun()
{
    stop();
}

bool BareViewRun::start(const QString& url)
{
    if (!folder_.isValid()) {
        error_ = QStringLiteral("no temporary folder: ") + folder_.errorString();
        return false;
    }
    if (!desktop_.started()) {
        error_ = QStringLiteral("the headless desktop is not running: ") + desktop_.error();
        return false;
    }
    process_ = std::make_unique<harness::ManagedProcess>(
        QStringLiteral("zv-bareview"), folder_.filePath(QStringLiteral("output.log")));
    if (!process_->start(executable_, {url}, desktop_.environment(), folder_.path())) {
        error_ = process_->error();
        process_.reset();
        return false;
    }
    return true;
}

bool BareViewRun::waitForLoaded(int timeoutMs)
{
    if (!process_)
        return false;
    // Only its output is read while it starts, as the program's trace is: a walk over /proc
    // every few milliseconds would take a core's share from the start being timed.
    QString said;
    harness::waitUntil(
        [&] {
            said = announcement();
            return !said.isEmpty() || !process_->running();
        },
        timeoutMs, 5);
    recordProcesses();
    if (said.startsWith(QLatin1String("zv-bareview loaded ")))
        return true;
    if (!said.isEmpty())
        error_ = QStringLiteral("the page did not load: ") + said;
    else if (!process_->running())
        error_ = QStringLiteral("it ended before its page had loaded: ") + process_->logTail(5);
    else
        error_ = QStringLiteral("its page did not load within %1 s").arg(timeoutMs / 1000);
    return false;
}

qint64 BareViewRun::pid() const
{
    return process_ ? process_->pid() : 0;
}

QByteArray BareViewRun::steps() const
{
    if (!process_)
        return {};
    // As the announcement, anywhere in a line of the log the engine writes to as well.
    static const QByteArray marker = "zv-bareview step\t";
    QByteArray out;
    for (const QByteArray& line : process_->log().split('\n')) {
        const qsizetype at = line.indexOf(marker);
        if (at >= 0)
            out += line.mid(at + marker.size()) + '\n';
    }
    return out;
}

QList<qint64> BareViewRun::stop()
{
    if (!process_)
        return {};
    // The engine's processes are looked for while their parent still lives: once it is gone
    // they are no longer its descendants, and a helper may sit outside its process group.
    recordProcesses();
    auto killSeen = [&] {
        for (qint64 p : std::as_const(seen_)) {
            if (harness::processAlive(p))
                ::kill(static_cast<pid_t>(p), SIGKILL);
        }
    };
    killSeen();
    process_->stop(0);
    killSeen();
    auto alive = [&] {
        QList<qint64> left;
        for (qint64 p : std::as_const(seen_)) {
            if (harness::processAlive(p))
                left.append(p);
        }
        return left;
    };
    harness::waitUntil([&] { return alive().isEmpty(); }, 5000, 20);
    process_.reset();
    return alive();
}

// The line of its output that says how its page's load ended ("zv-bareview loaded URL" or
// "zv-bareview failed URL"); empty while there is none. The engine writes to the same file, so
// the line is looked for anywhere in a line of the log.
QString BareViewRun::announcement() const
{
    for (const QByteArray& line : process_->log().split('\n')) {
        for (const char* marker : {"zv-bareview loaded ", "zv-bareview failed "}) {
            const qsizetype at = line.indexOf(marker);
            if (at >= 0)
                return QString::fromUtf8(line.mid(at));
        }
    }
    return {};
}

void BareViewRun::recordProcesses()
{
    const qint64 root = pid();
    if (root <= 0)
        return;
    for (qint64 p : QList<qint64>{root} + harness::descendantsOf(root)) {
        if (!seen_.contains(p))
            seen_.append(p);
    }
}

} // namespace bench
