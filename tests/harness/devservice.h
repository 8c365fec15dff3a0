#pragma once
// The development service (zv-devservice), started on the build's line addresses (what the
// program under test uses) or on free ports of its own (the service's own tests), and driven
// through its control endpoints.
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace harness
{

class ManagedProcess;

// How a list page (tx / sxzv) answers from now on.
struct ListOptions {
    int status = 0;       // HTTP status; 0: the service's default (200)
    int delayMs = 0;      // answer after this long
    bool hang = false;    // never answer
    bool reset = false;   // close the connection without an answer
    int size = 0;         // pad the answer to this many bytes
    bool endless = false; // stream without end
};

// A message list of eight lines (ids 100 to 107 with old titles) whose sixth line, the one of
// the 机构密函 category, is `line5`.
QString messageListWithLine5(const QString& line5);

// One request the service received.
struct LogEntry {
    qint64 seq = 0;    // the service's running number of the request
    qint64 timeMs = 0; // when it arrived, ms since the epoch
    QString method;
    QString host;
    QString path;
    QString query;                  // without the leading '?'
    QMap<QString, QString> headers; // names as sent
    QByteArray body;
    QString header(const QString& name) const;   // case-insensitive, empty when absent
    QString queryItem(const QString& key) const; // percent-decoded; empty when absent
};

class DevService
{
public:
    using ListOptions = harness::ListOptions;
    using LogEntry = harness::LogEntry;

    enum class Ports {
        Build, // the build's four line addresses, information site and foreign site
        Free,  // two line hosts (127.0.0.1, 127.0.0.2), information and foreign site on free ports
    };

    explicit DevService(Ports ports = Ports::Build);
    ~DevService();
    DevService(const DevService&) = delete;
    DevService& operator=(const DevService&) = delete;

    // Starts the service (extra arguments, e.g. "--demo") and waits until every line address
    // answers. On failure returns false with the reason in error().
    bool start(const QStringList& extraArgs = {}, int timeoutMs = 15000);
    // Ends the service (SIGTERM, then SIGKILL after graceMs); true when it ended by itself with
    // exit code 0 in that time.
    bool stop(int graceMs = 3000);
    bool running() const;
    qint64 pid() const;
    int exitCode() const;
    QByteArray output() const; // what the service printed so far

    // This service's addresses: its first and second line host, information and foreign site.
    QString lineA() const { return lineA_; }
    QString lineB() const { return lineB_; }
    QString info() const { return info_; }
    QString foreign() const { return foreign_; }
    int portA() const;
    // A port that nothing listens on at this moment, on host.
    static int freePort(const QString& host);
    QString error() const { return error_; }

    // The build's line base addresses (0..3), the information site, and the foreign site (a
    // site of the member page's shape that is not the service).
    static QString lineUrl(int line);
    static QString infoUrl();
    static QString foreignUrl();

    // POST /_dev/list?name=...: text is sent as UTF-8 and served as GBK; setListRaw serves the
    // bytes as given. Return false (and fail the calling test) when the service refuses.
    bool setList(const QString& name, const QString& text, const ListOptions& options = {});
    bool setListRaw(const QString& name, const QByteArray& bytes, const ListOptions& options = {});

    QList<LogEntry> log(); // GET /_dev/log, oldest first
    bool clearLog();       // POST /_dev/log/clear
    bool reset();          // POST /_dev/reset
    // POST /_dev/options: "require_session=1", "member_frames=3"...
    bool setOptions(const QString& query);

    // Polls the log until an entry matches, at most timeoutMs.
    std::optional<LogEntry> waitForRequest(const std::function<bool(const LogEntry&)>& match,
                                           int timeoutMs = 10000);
    // Convenience: a request whose path is exactly `path`.
    std::optional<LogEntry> waitForPath(const QString& path, int timeoutMs = 10000);

    // Low-level access to a control endpoint on line 0: returns the HTTP status (0 when
    // the service did not answer) and the body.
    int control(const QString& method, const QString& pathAndQuery, const QByteArray& body,
                QByteArray* answer = nullptr);

private:
    Ports ports_;
    QString lineA_;
    QString lineB_;
    QString info_;
    QString foreign_;
    std::unique_ptr<ManagedProcess> process_;
    QByteArray output_; // of the last run, kept once it has ended
    QString error_;
};

// Parses the service's request log (JSON lines); lines that do not parse are skipped.
QList<LogEntry> parseRequestLog(const QByteArray& jsonLines);

} // namespace harness
