#pragma once
// An HTTP proxy of the tests' own on a loopback port. It knows host names that nothing else
// resolves: "127-0-0-2.zv.test" stands for 127.0.0.2 (any loopback address, dashes for dots),
// so a program built for such names reaches the development service only through this proxy.
// Every request it is asked for is logged.
#include <QList>
#include <QString>

#include <memory>
#include <mutex>
#include <thread>

namespace httplib
{
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace harness
{

class TestProxy
{
public:
    struct Entry {
        QString method;
        QString url; // the absolute address the client asked for
        QString cookie;
        int status = 0; // what came back; 502 when the host is unknown or does not answer
    };

    TestProxy();
    ~TestProxy();
    TestProxy(const TestProxy&) = delete;
    TestProxy& operator=(const TestProxy&) = delete;

    bool start(); // on a free port of 127.0.0.1
    int port() const { return port_; }
    QString url() const; // "http://127.0.0.1:<port>", for http_proxy

    QList<Entry> log() const;

    // "http://127.0.0.2:18062" as the proxy's name for it: "http://127-0-0-2.zv.test:18062".
    static QString namedUrl(const QString& url);

private:
    void forward(const httplib::Request& req, httplib::Response& res);

    std::unique_ptr<httplib::Server> server_;
    std::thread thread_;
    int port_ = 0;
    mutable std::mutex mutex_;
    QList<Entry> log_;
};

} // namespace harness
