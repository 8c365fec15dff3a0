#pragma once
// A small web site on a free loopback port, served from a thread: pages the tests control and a
// log of every request, to see what the client really sent.
#include <httplib.h>

#include <QByteArray>
#include <QList>
#include <QString>
#include <condition_variable>
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

// One answer: a body with its status, 200 unless told.
struct SiteAnswer {
    SiteAnswer(std::string body) : body(std::move(body)) {}
    SiteAnswer(const char* body) : body(body) {}
    SiteAnswer(int status, std::string body) : status(status), body(std::move(body)) {}

    int status = 200;
    std::string body;
};

class TestSite
{
public:
    // Answers one request with the returned answer as contentType.
    using Handler = std::function<SiteAnswer(const SiteRequest&)>;
    using Headers = std::multimap<std::string, std::string>;

    explicit TestSite(const char* host = "127.0.0.1");
    // Lets stalled answers go, then stops.
    ~TestSite();
    TestSite(const TestSite&) = delete;
    TestSite& operator=(const TestSite&) = delete;

    QString base() const; // "http://host:port"
    QString url(const QString& path) const { return base() + path; }

    void page(const std::string& path, const SiteAnswer& answer,
              const std::string& contentType = "text/html; charset=utf-8",
              const Headers& headers = {});
    void handle(const std::string& path, Handler handler,
                const std::string& contentType = "text/html; charset=utf-8",
                const Headers& headers = {});
    // A server that stalls: the answer is held until release() or until the site stops.
    void stall(const std::string& path, const std::string& body,
               const std::string& contentType = "text/plain");
    // Held answers go, and later ones at once.
    void release();
    // A chunked answer that never ends; it stops when the client goes away or the site stops.
    void endless(const std::string& path, const std::string& contentType = "text/plain");

    QList<SiteRequest> log() const;
    QList<SiteRequest> requestsTo(const QString& path) const;
    void clearLog();

private:
    using Route = std::function<void(const SiteRequest&, httplib::Response&)>;
    void route(const std::string& path, Route route);
    void serve(const httplib::Request& req, httplib::Response& res);
    bool stopping() const;

    std::string host_;
    int port_ = 0;
    httplib::Server server_;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable letGo_; // released_ or stopping_ became true
    bool released_ = false;
    bool stopping_ = false;
    std::map<std::string, Route> routes_;
    QList<SiteRequest> log_;
};
