#pragma once
// The development service: the member pages and lists on every line host, the information
// site, and the test control API on all of them. Each listener answers on its own threads, so
// a stalled or endless answer holds up nothing else.
#include "devservice/demofeed.h"
#include "devservice/listboard.h"
#include "devservice/memberpages.h"
#include "devservice/requestlog.h"
#include "devservice/serviceoptions.h"
#include "devservice/sessionstore.h"

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace httplib
{
class Server;
struct Request;
struct Response;
} // namespace httplib

class DevService
{
public:
    explicit DevService(ServiceOptions options);
    ~DevService();
    DevService(const DevService&) = delete;
    DevService& operator=(const DevService&) = delete;

    // Binds every listener, reporting each bound address through `onListening`. On a failure
    // (an address in use...) nothing stays bound and `error` says which and why.
    bool bind(std::string& error, const std::function<void(const std::string&)>& onListening);
    // Starts answering (and the demo feed with --demo).
    void start();
    // Ends every answer in progress, closes the listeners and waits for their threads.
    void stop();

private:
    struct Listener;
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

    // The handler, with the request recorded in the log first.
    Handler withLog(Handler handler);

    void addControl(httplib::Server& server);
    void addMemberSite(httplib::Server& server, const ServiceOptions::Address& address);
    void addInfoSite(httplib::Server& server);
    void addForeignSite(httplib::Server& server);
    void addNotFound(httplib::Server& server);
    void record(const httplib::Request& req);
    void serveList(const std::string& name, const httplib::Request& req, httplib::Response& res);
    void serveMain(const httplib::Request& req, httplib::Response& res,
                   const ServiceOptions::Address& address);
    // Whether the request carries a visit session of this line host.
    bool hasVisit(const httplib::Request& req, const ServiceOptions::Address& address) const;

    ServiceOptions options_;
    std::atomic<bool> stopping_{false};
    // Set by the command line, changed through the control API, back to the command line's on a
    // reset.
    std::atomic<bool> requireSession_;
    std::atomic<int> memberFrames_{4};
    ListBoard board_;
    RequestLog log_;
    SessionStore sessions_;
    DemoFeed demo_;
    std::vector<std::unique_ptr<Listener>> listeners_;
};
