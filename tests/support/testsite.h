#pragma once
// A small web site on a free loopback port, served from a thread: pages the tests control and a
// log of every request, to see what the browser really sent.
#include <httplib.h>

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

struct SiteRequest {
    QString method;
    QString path;
    QString query; // "a=1&b=2" as sent, without "?"
    QByteArray body;
    std::multimap<std::string, std::string> headers;

    QString header(const char* name) const;
};

class TestSite
{
public:
    // Answers one request: status 200 with the returned body as contentType.
    using Handler = std::function<std::string(const SiteRequest&)>;

    explicit TestSite(const char* host = "127.0.0.1");
    ~TestSite();
    TestSite(const TestSite&) = delete;
    TestSite& operator=(const TestSite&) = delete;

    QString base() const; // "http://host:port"
    QString url(const QString& path) const { return base() + path; }

    using Headers = std::multimap<std::string, std::string>;
    void page(const std::string& path, const std::string& html,
              const std::string& contentType = "text/html; charset=utf-8",
              const Headers& headers = {});
    void handle(const std::string& path, Handler handler,
                const std::string& contentType = "text/html; charset=utf-8",
                const Headers& headers = {});

    QList<SiteRequest> log() const;
    QList<SiteRequest> requestsTo(const QString& path) const;
    void clearLog();

private:
    struct Route {
        Handler handler;
        std::string contentType;
        Headers headers;
    };
    void serve(const httplib::Request& req, httplib::Response& res);

    std::string host_;
    int port_ = 0;
    httplib::Server server_;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::map<std::string, Route> routes_;
    QList<SiteRequest> log_;
};
