#include "harness/devservice.h"

#include "harness/managedprocess.h"
#include "harness/windows.h"

#include "zvconfig.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QUrl>
#include <QUrlQuery>

#include <gtest/gtest.h>
#include <httplib.h>

namespace harness
{

namespace
{

QString boolParam(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

QString listQuery(const QString& name, const ListOptions& o, bool raw)
{
    QUrlQuery q;
    q.addQueryItem(QStringLiteral("name"), name);
    if (o.status)
        q.addQueryItem(QStringLiteral("status"), QString::number(o.status));
    if (o.delayMs)
        q.addQueryItem(QStringLiteral("delay_ms"), QString::number(o.delayMs));
    if (o.hang)
        q.addQueryItem(QStringLiteral("hang"), boolParam(true));
    if (o.reset)
        q.addQueryItem(QStringLiteral("reset"), boolParam(true));
    if (o.size)
        q.addQueryItem(QStringLiteral("size"), QString::number(o.size));
    if (o.endless)
        q.addQueryItem(QStringLiteral("endless"), boolParam(true));
    if (raw)
        q.addQueryItem(QStringLiteral("raw"), boolParam(true));
    return QStringLiteral("/_dev/list?") + q.toString(QUrl::FullyEncoded);
}

// status (0: no answer) and body of one request to a base URL.
int request(const QString& baseUrl, const QString& method, const QString& pathAndQuery,
            const QByteArray& body, QByteArray* answer, int timeoutMs = 5000)
{
    const QUrl url(baseUrl);
    httplib::Client client(url.host().toStdString(), url.port(80));
    client.set_connection_timeout(std::chrono::milliseconds(timeoutMs));
    client.set_read_timeout(std::chrono::milliseconds(timeoutMs));
    client.set_write_timeout(std::chrono::milliseconds(timeoutMs));
    const std::string target = pathAndQuery.toStdString();
    httplib::Result r = method == QLatin1String("POST")
                            ? client.Post(target, body.toStdString(), "text/plain; charset=utf-8")
                            : client.Get(target);
    if (!r)
        return 0;
    if (answer)
        *answer = QByteArray::fromStdString(r->body);
    return r->status;
}

} // namespace

QString LogEntry::header(const QString& name) const
{
    for (auto it = headers.cbegin(); it != headers.cend(); ++it) {
        if (it.key().compare(name, Qt::CaseInsensitive) == 0)
            return it.value();
    }
    return {};
}

QString LogEntry::queryItem(const QString& key) const
{
    // The client may send GB2312 or spaces unencoded; decode what is percent-encoded.
    const QUrlQuery q(query);
    return q.queryItemValue(key, QUrl::FullyDecoded);
}

QList<LogEntry> parseRequestLog(const QByteArray& jsonLines)
{
    QList<LogEntry> entries;
    for (const QByteArray& line : jsonLines.split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        const QJsonDocument doc = QJsonDocument::fromJson(line);
        if (!doc.isObject())
            continue;
        const QJsonObject o = doc.object();
        LogEntry e;
        e.seq = o.value(QLatin1String("seq")).toInteger();
        e.timeMs = o.value(QLatin1String("time_ms")).toInteger();
        e.method = o.value(QLatin1String("method")).toString();
        e.host = o.value(QLatin1String("host")).toString();
        e.path = o.value(QLatin1String("path")).toString();
        e.query = o.value(QLatin1String("query")).toString();
        if (e.query.startsWith(QLatin1Char('?')))
            e.query.remove(0, 1);
        const QJsonObject headers = o.value(QLatin1String("headers")).toObject();
        for (auto it = headers.begin(); it != headers.end(); ++it)
            e.headers.insert(it.key(), it.value().toString());
        if (o.contains(QLatin1String("body_base64")))
            e.body =
                QByteArray::fromBase64(o.value(QLatin1String("body_base64")).toString().toLatin1());
        else
            e.body = o.value(QLatin1String("body")).toString().toUtf8();
        entries.append(e);
    }
    return entries;
}

DevService::DevService(Ports ports) : ports_(ports)
{
    if (ports_ == Ports::Build) {
        lineA_ = lineUrl(0);
        lineB_ = lineUrl(1);
        info_ = infoUrl();
        foreign_ = foreignUrl();
    }
}

int DevService::freePort(const QString& host)
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress(host), 0))
        return 0;
    return probe.serverPort();
}

int DevService::portA() const
{
    return QUrl(lineA_).port();
}

DevService::~DevService()
{
    stop();
}

QString DevService::lineUrl(int line)
{
    switch (line) {
    case 0:
        return QStringLiteral(ZV_LINE0_URL);
    case 1:
        return QStringLiteral(ZV_LINE1_URL);
    case 2:
        return QStringLiteral(ZV_LINE2_URL);
    case 3:
        return QStringLiteral(ZV_LINE3_URL);
    default:
        return {};
    }
}

QString DevService::infoUrl()
{
    return QStringLiteral(ZV_INFO_SITE_URL);
}

QString DevService::foreignUrl()
{
    return QStringLiteral("http://127.0.0.9:%1").arg(QUrl(lineUrl(0)).port());
}

bool DevService::start(const QStringList& extraArgs, int timeoutMs)
{
    if (running())
        return true;
    error_.clear();
    const QString log = QDir::temp().filePath(QStringLiteral("zv-devservice-%1-%2.log")
                                                  .arg(QCoreApplication::applicationPid())
                                                  .arg(reinterpret_cast<quintptr>(this), 0, 16));
    QFile::remove(log);
    QStringList args;
    QStringList bases;
    if (ports_ == Ports::Free) {
        const auto at = [](const char* host) {
            return QStringLiteral("http://%1:%2")
                .arg(QLatin1String(host))
                .arg(freePort(QLatin1String(host)));
        };
        lineA_ = at("127.0.0.1");
        lineB_ = at("127.0.0.2");
        info_ = at("127.0.0.1");
        foreign_ = at("127.0.0.9");
        args = {QStringLiteral("--listen"), lineA_, QStringLiteral("--listen"),  lineB_,
                QStringLiteral("--info"),   info_,  QStringLiteral("--foreign"), foreign_};
        bases = {lineA_, lineB_, info_, foreign_};
    } else {
        bases = {lineUrl(0), lineUrl(1), lineUrl(2), lineUrl(3), info_, foreign_};
    }
    args += extraArgs;
    output_.clear();
    process_ = std::make_unique<ManagedProcess>(QStringLiteral("zv-devservice"), log);
    if (!process_->start(QStringLiteral(ZV_DEVSERVICE_EXE), args,
                         QProcessEnvironment::systemEnvironment())) {
        error_ = process_->error();
        return false;
    }
    QString waiting;
    const bool up = waitUntil(
        [&] {
            if (!process_->running())
                return true;
            for (const QString& base : bases) {
                if (request(base, QStringLiteral("GET"), QStringLiteral("/_dev/log?since=0"), {},
                            nullptr, 500) != 200) {
                    waiting = base;
                    return false;
                }
            }
            return true;
        },
        timeoutMs, 100);
    if (!process_->running()) {
        error_ = QStringLiteral("zv-devservice ended at start (exit %1):\n%2")
                     .arg(process_->exitCode())
                     .arg(process_->logTail());
        return false;
    }
    if (!up) {
        error_ = QStringLiteral("zv-devservice does not answer on %1 within %2 ms:\n%3")
                     .arg(waiting)
                     .arg(timeoutMs)
                     .arg(process_->logTail());
        stop();
        return false;
    }
    return true;
}

bool DevService::stop(int graceMs)
{
    if (!process_)
        return true;
    QElapsedTimer clock;
    clock.start();
    process_->stop(graceMs);
    const bool clean =
        !process_->crashed() && process_->exitCode() == 0 && clock.elapsed() < graceMs;
    output_ = process_->log();
    QFile::remove(process_->logPath());
    process_.reset();
    return clean;
}

int DevService::exitCode() const
{
    return process_ ? process_->exitCode() : -1;
}

QByteArray DevService::output() const
{
    return process_ ? process_->log() : output_;
}

bool DevService::running() const
{
    return process_ && process_->running();
}

qint64 DevService::pid() const
{
    return process_ ? process_->pid() : 0;
}

int DevService::control(const QString& method, const QString& pathAndQuery, const QByteArray& body,
                        QByteArray* answer)
{
    return request(lineA_, method, pathAndQuery, body, answer);
}

bool DevService::setList(const QString& name, const QString& text, const ListOptions& options)
{
    QByteArray answer;
    const int status =
        control(QStringLiteral("POST"), listQuery(name, options, false), text.toUtf8(), &answer);
    if (status != 200)
        ADD_FAILURE() << "setList(" << name.toStdString() << ") answered " << status << ": "
                      << answer.toStdString();
    return status == 200;
}

bool DevService::setListRaw(const QString& name, const QByteArray& bytes,
                            const ListOptions& options)
{
    QByteArray answer;
    const int status =
        control(QStringLiteral("POST"), listQuery(name, options, true), bytes, &answer);
    if (status != 200)
        ADD_FAILURE() << "setListRaw(" << name.toStdString() << ") answered " << status << ": "
                      << answer.toStdString();
    return status == 200;
}

QList<LogEntry> DevService::log()
{
    QByteArray answer;
    const int status = control(QStringLiteral("GET"), QStringLiteral("/_dev/log"), {}, &answer);
    if (status != 200) {
        ADD_FAILURE() << "the service's request log answered " << status;
        return {};
    }
    return parseRequestLog(answer);
}

bool DevService::clearLog()
{
    return control(QStringLiteral("POST"), QStringLiteral("/_dev/log/clear"), {}) == 200;
}

bool DevService::reset()
{
    return control(QStringLiteral("POST"), QStringLiteral("/_dev/reset"), {}) == 200;
}

bool DevService::setOptions(const QString& query)
{
    QByteArray answer;
    const int status =
        control(QStringLiteral("POST"), QStringLiteral("/_dev/options?") + query, {}, &answer);
    if (status != 200)
        ADD_FAILURE() << "the service refused options " << query.toStdString() << ": " << status
                      << " " << answer.constData();
    return status == 200;
}

std::optional<DevService::LogEntry>
DevService::waitForRequest(const std::function<bool(const LogEntry&)>& match, int timeoutMs)
{
    std::optional<LogEntry> found;
    QList<LogEntry> last;
    waitUntil(
        [&] {
            QByteArray answer;
            if (control(QStringLiteral("GET"), QStringLiteral("/_dev/log"), {}, &answer) != 200)
                return false;
            last = parseRequestLog(answer);
            for (const LogEntry& e : last) {
                if (match(e)) {
                    found = e;
                    return true;
                }
            }
            return false;
        },
        timeoutMs, 100);
    if (!found) {
        std::string seen;
        for (const LogEntry& e : last)
            seen += "  " + e.method.toStdString() + " " + e.host.toStdString() +
                    e.path.toStdString() + (e.query.isEmpty() ? "" : "?" + e.query.toStdString()) +
                    "\n";
        ADD_FAILURE() << "no matching request within " << timeoutMs << " ms; the service saw "
                      << last.size() << ":\n"
                      << seen;
    }
    return found;
}

std::optional<DevService::LogEntry> DevService::waitForPath(const QString& path, int timeoutMs)
{
    return waitForRequest([&](const LogEntry& e) { return e.path == path; }, timeoutMs);
}

QString messageListWithLine5(const QString& line5)
{
    QStringList rows;
    for (int i = 0; i < 8; ++i)
        rows << QStringLiteral("%1,旧标题%1,类别%1,/nc/show.asp?id=%1").arg(100 + i);
    rows[5] = line5;
    return rows.join(QStringLiteral("\r\n"));
}

} // namespace harness
