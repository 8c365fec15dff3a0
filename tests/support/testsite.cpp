#include "support/testsite.h"

#include <chrono>

QString SiteRequest::header(const char* name) const
{
    for (const auto& [key, value] : headers) {
        if (QString::fromStdString(key).compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return QString::fromStdString(value);
    }
    return {};
}

TestSite::TestSite(const char* host) : host_(host)
{
    auto serve = [this](const httplib::Request& req, httplib::Response& res) {
        this->serve(req, res);
    };
    // One request per connection: a kept-alive connection would hold the server's stop for
    // seconds.
    server_.set_keep_alive_max_count(1);
    server_.Get(".*", serve);
    server_.Post(".*", serve);
    port_ = server_.bind_to_any_port(host_);
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    // A stop() that comes before the accept loop runs is lost and the join never returns.
    for (int i = 0; i < 5000 && !server_.is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TestSite::~TestSite()
{
    server_.stop();
    if (thread_.joinable())
        thread_.join();
}

QString TestSite::base() const
{
    return QStringLiteral("http://%1:%2").arg(QString::fromStdString(host_)).arg(port_);
}

void TestSite::page(const std::string& path, const std::string& html,
                    const std::string& contentType, const Headers& headers)
{
    handle(
        path, [html](const SiteRequest&) { return html; }, contentType, headers);
}

void TestSite::handle(const std::string& path, Handler handler, const std::string& contentType,
                      const Headers& headers)
{
    std::lock_guard<std::mutex> lock(mutex_);
    routes_[path] = Route{std::move(handler), contentType, headers};
}

QList<SiteRequest> TestSite::log() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return log_;
}

QList<SiteRequest> TestSite::requestsTo(const QString& path) const
{
    QList<SiteRequest> out;
    for (const SiteRequest& r : log()) {
        if (r.path == path)
            out.append(r);
    }
    return out;
}

void TestSite::clearLog()
{
    std::lock_guard<std::mutex> lock(mutex_);
    log_.clear();
}

void TestSite::serve(const httplib::Request& req, httplib::Response& res)
{
    SiteRequest r;
    r.method = QString::fromStdString(req.method);
    r.path = QString::fromStdString(req.path);
    const std::string::size_type q = req.target.find('?');
    if (q != std::string::npos)
        r.query = QString::fromStdString(req.target.substr(q + 1));
    r.body = QByteArray::fromStdString(req.body);
    for (const auto& [key, value] : req.headers)
        r.headers.emplace(key, value);
    Route route;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        log_.append(r);
        const auto it = routes_.find(req.path);
        if (it == routes_.end()) {
            res.status = 404;
            res.set_content("not here", "text/plain");
            return;
        }
        route = it->second;
    }
    for (const auto& [name, value] : route.headers)
        res.set_header(name, value);
    res.set_content(route.handler(r), route.contentType);
}
