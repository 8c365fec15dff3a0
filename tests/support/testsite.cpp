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
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    letGo_.notify_all();
    server_.stop();
    if (thread_.joinable())
        thread_.join();
}

QString TestSite::base() const
{
    return QStringLiteral("http://%1:%2").arg(QString::fromStdString(host_)).arg(port_);
}

void TestSite::page(const std::string& path, const SiteAnswer& answer,
                    const std::string& contentType, const Headers& headers)
{
    const Handler always = [answer](const SiteRequest&) { return answer; };
    handle(path, always, contentType, headers);
}

void TestSite::handle(const std::string& path, Handler handler, const std::string& contentType,
                      const Headers& headers)
{
    route(path, [handler = std::move(handler), contentType, headers](const SiteRequest& r,
                                                                     httplib::Response& res) {
        const SiteAnswer answer = handler(r);
        for (const auto& [name, value] : headers)
            res.set_header(name, value);
        res.status = answer.status;
        res.set_content(answer.body, contentType);
    });
}

void TestSite::stall(const std::string& path, const std::string& body,
                     const std::string& contentType)
{
    handle(
        path,
        [this, body](const SiteRequest&) {
            std::unique_lock<std::mutex> lock(mutex_);
            letGo_.wait(lock, [this] { return released_ || stopping_; });
            return body;
        },
        contentType);
}

void TestSite::release()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        released_ = true;
    }
    letGo_.notify_all();
}

void TestSite::endless(const std::string& path, const std::string& contentType)
{
    route(path, [this, contentType](const SiteRequest&, httplib::Response& res) {
        res.set_chunked_content_provider(contentType, [this](size_t, httplib::DataSink& sink) {
            static const std::string chunk(64 * 1024, 'y');
            return !stopping() && sink.write(chunk.data(), chunk.size());
        });
    });
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

void TestSite::route(const std::string& path, Route route)
{
    std::lock_guard<std::mutex> lock(mutex_);
    routes_[path] = std::move(route);
}

bool TestSite::stopping() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return stopping_;
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
    route(r, res);
}
