#pragma once
// The development service (zv-devservice) on the build's line addresses, driven through its
// control endpoints.
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

    DevService();
    ~DevService();
    DevService(const DevService&) = delete;
    DevService& operator=(const DevService&) = delete;

    // Starts the service (extra arguments, e.g. "--demo") and waits until every line address
    // answers. On failure returns false with the reason in error().
    bool start(const QStringList& extraArgs = {}, int timeoutMs = 15000);
    void stop();
    bool running() const;
    qint64 pid() const;
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
    std::unique_ptr<ManagedProcess> process_;
    QString error_;
};

// Parses the service's request log (JSON lines); lines that do not parse are skipped.
QList<LogEntry> parseRequestLog(const QByteArray& jsonLines);

} // namespace harness
