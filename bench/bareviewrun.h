#pragma once
// One start of the benchmark's bare view (zv-bareview) on the harness desktop, in a fresh
// temporary folder of its own: started, waited for until its page has loaded, and ended with
// every engine process it started, so that none of them lives on into the next figure.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace harness
{
class Desktop;
class ManagedProcess;
} // namespace harness

namespace bench
{

class BareViewRun
{
public:
    BareViewRun(harness::Desktop& desktop, const QString& executable);
    ~BareViewRun(); // stop()
    BareViewRun(const BareViewRun&) = delete;
    BareViewRun& operator=(const BareViewRun&) = delete;

    // Starts it on `url` in the desktop's environment; false (with error()) when it does not.
    bool start(const QString& url);
    // Waits for its "loaded" line; false (with error()) on a failed load, an early end or
    // a timeout.
    bool waitForLoaded(int timeoutMs);
    qint64 pid() const; // 0 when not started
    // The steps it has printed so far, as "<step>\t<ms since the epoch>" lines.
    QByteArray steps() const;
    QString error() const { return error_; }

    // Kills it and every process it started, and waits for them to be gone. Returns the
    // processes still alive after that (none, unless something is badly wrong).
    QList<qint64> stop();

private:
    QString announcement() const;
    void recordProcesses();

    harness::Desktop& desktop_;
    QString executable_;
    QTemporaryDir folder_;
    std::unique_ptr<harness::ManagedProcess> process_;
    QList<qint64> seen_; // every process of its tree seen since the start
    QString error_;
};

} // namespace bench
