#include "harness/testproxy.h"

#include <QRegularExpression>
#include <QUrl>

#include <httplib.h>
#include <initializer_list>

namespace harness
{

namespace
{

// The loopback address a proxy name stands for; empty for any other name.
QString addressOf(const QString& host)
{
    static const QRegularExpression name(QStringLiteral("^127-(\\d+)-(\\d+)-(\\d+)\\.zv\\.test$"));
    const QRegularExpressionMatch m = name.match(host.toLower());
    if (!m.hasMatch())
        return {};
    return QStringLiteral("127.%1.%2.%3").arg(m.captured(1), m.captured(2), m.captured(3));
}

bool oneOf(const std::string& name, std::initializer_list<const char*> names)
{
    for (const char* n : names) {
        if (QString::fromStdString(name).compare(QLatin1String(n), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// Headers of one connection, and those that the proxy's own client and server set for theirs.
bool hopByHop(const std::string& name)
{
    return oneOf(name, {"connection", "proxy-connection", "keep-alive", "proxy-authorization", "te",
                        "trailer", "transfer-encoding", "upgrade", "accept-encoding",
                        "content-length", "host"});
}

} // namespace

TestProxy::TestProxy() : server_(std::make_unique<httplib::Server>()) {}

TestProxy::~TestProxy()
{
    server_->stop();
    if (thread_.joinable())
        thread_.join();
}

bool TestProxy::start()
{
    auto forward = [this](const httplib::Request& req, httplib::Response& res) {
        this->forward(req, res);
    };
    server_->Get(".*", forward);
    server_->Post(".*", forward);
    server_->set_keep_alive_timeout(1);
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0)
        return false;
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    for (int i = 0; i < 5000 && !server_->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return server_->is_running();
}

QString TestProxy::url() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port_);
}

QList<TestProxy::Entry> TestProxy::log() const
{
    std::lock_guard lock(mutex_);
    return log_;
}

QString TestProxy::namedUrl(const QString& url)
{
    QUrl u(url);
    u.setHost(u.host().replace(QLatin1Char('.'), QLatin1Char('-')) + QStringLiteral(".zv.test"));
    return u.toString();
}

void TestProxy::forward(const httplib::Request& req, httplib::Response& res)
{
    // A proxy is asked for absolute addresses: "GET http://host:port/path?query HTTP/1.1".
    const QUrl target(QString::fromStdString(req.target));
    Entry entry;
    entry.method = QString::fromStdString(req.method);
    entry.url = target.toString();
    entry.cookie = QString::fromStdString(req.get_header_value("Cookie"));
    const QString address = addressOf(target.host());
    httplib::Result answer{nullptr, httplib::Error::Unknown};
    if (target.scheme() == QLatin1String("http") && !address.isEmpty()) {
        httplib::Client client(address.toStdString(), target.port(80));
        client.set_connection_timeout(5);
        client.set_read_timeout(30);
        httplib::Headers headers;
        for (const auto& [name, value] : req.headers) {
            if (!hopByHop(name) && name.rfind("REMOTE_", 0) != 0 && name.rfind("LOCAL_", 0) != 0)
                headers.emplace(name, value);
        }
        headers.emplace("Host", target.authority().toStdString());
        const std::string path =
            target.path(QUrl::FullyEncoded).toStdString() +
            (target.hasQuery() ? "?" + target.query(QUrl::FullyEncoded).toStdString() : "");
        const std::string type = req.get_header_value("Content-Type");
        answer = req.method == "POST" ? client.Post(path, headers, req.body, type)
                                      : client.Get(path, headers);
    }
    if (answer) {
        res.status = answer->status;
        // The client hands the body over decoded; the service may still have encoded it (newer
        // cpp-httplib clients ask for compressed answers themselves, whatever the requester
        // asked), so its Content-Encoding no longer applies. This proxy's server encodes the body
        // anew as the requester accepts.
        for (const auto& [name, value] : answer->headers) {
            if (!hopByHop(name) && !oneOf(name, {"content-encoding"}))
                res.headers.emplace(name, value);
        }
        res.body = answer->body;
    } else {
        res.status = 502;
        res.set_content("no such host here", "text/plain");
    }
    entry.status = res.status;
    std::lock_guard lock(mutex_);
    log_.append(entry);
}

} // namespace harness
