#include "devservice/devservice.h"

#include "devservice/clientconnection.h"
#include "devservice/infopages.h"
#include "devservice/querytext.h"

#include "zvconfig.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

const char* const kHtml = "text/html; charset=utf-8";
const char* const kText = "text/plain; charset=utf-8";
const char* const kList = "text/plain; charset=gb2312";
constexpr size_t kPieceSize = 64 * 1024;
constexpr size_t kThreadsPerListener = 32;

long long nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// Why binding an address fails, asked of the system directly (the HTTP library only says
// that it failed).
std::string bindProblem(const ServiceOptions::Address& address)
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return std::strerror(errno);
    int yes = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(address.port));
    inet_pton(AF_INET, address.host.c_str(), &addr.sin_addr);
    std::string problem = "cannot bind";
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        problem = errno == EADDRINUSE ? "the port is already taken" : std::strerror(errno);
    ::close(fd);
    return problem;
}

std::string hostKey(const ServiceOptions::Address& address)
{
    return address.host + ":" + std::to_string(address.port);
}

void sendHtml(httplib::Response& res, const std::string& html, int status = 200)
{
    res.status = status;
    res.set_content(html, kHtml);
}

void sendText(httplib::Response& res, const std::string& text, int status = 200)
{
    res.status = status;
    res.set_content(text, kText);
}

} // namespace

struct DevService::Listener {
    enum class Site { Member, Info, Foreign };
    ServiceOptions::Address address;
    Site site = Site::Member;
    httplib::Server server;
    std::thread thread;
};

DevService::DevService(ServiceOptions options)
    : options_(std::move(options)), requireSession_(options_.requireSession), demo_(board_)
{
}

DevService::~DevService()
{
    stop();
}

bool DevService::bind(std::string& error,
                      const std::function<void(const std::string&)>& onListening)
{
    if (!options_.logFile.empty() && !log_.openFile(options_.logFile)) {
        error = "cannot open the log file " + options_.logFile + ": " + std::strerror(errno);
        return false;
    }
    using Site = Listener::Site;
    std::vector<std::pair<ServiceOptions::Address, Site>> wanted;
    for (const auto& address : options_.listen)
        wanted.emplace_back(address, Site::Member);
    wanted.emplace_back(options_.info, Site::Info);
    wanted.emplace_back(options_.foreign, Site::Foreign);
    for (const auto& [address, site] : wanted) {
        auto listener = std::make_unique<Listener>();
        listener->address = address;
        listener->site = site;
        httplib::Server& server = listener->server;
        server.new_task_queue = [] { return new httplib::ThreadPool(kThreadsPerListener); };
        // Not the library's default: with SO_REUSEPORT a second service would silently share
        // the port (and the requests) instead of failing to start.
        server.set_socket_options([](int sock) {
            int yes = 1;
            setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        });
        server.set_keep_alive_timeout(2);
        server.set_read_timeout(10);
        server.set_write_timeout(10);
        addControl(server);
        switch (site) {
        case Site::Member:
            addMemberSite(server, address);
            break;
        case Site::Info:
            addInfoSite(server);
            break;
        case Site::Foreign:
            addForeignSite(server);
            break;
        }
        if (!server.bind_to_port(address.host, address.port)) {
            error = "cannot listen on " + address.url() + ": " + bindProblem(address);
            listeners_.clear();
            return false;
        }
        listeners_.push_back(std::move(listener));
        onListening(address.url());
    }
    return true;
}

void DevService::start()
{
    for (auto& listener : listeners_) {
        Listener* l = listener.get();
        l->thread = std::thread([l] { l->server.listen_after_bind(); });
        // A stop() that comes before the accept loop runs would be lost.
        for (int i = 0; i < 5000 && !l->server.is_running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (options_.demo)
        demo_.start();
}

void DevService::stop()
{
    stopping_ = true;
    demo_.stop();
    for (auto& listener : listeners_) {
        if (!listener->thread.joinable())
            continue;
        // A listener thread that has not reached its accept loop yet would miss the stop.
        for (int i = 0; i < 200 && !listener->server.is_running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        listener->server.stop();
    }
    for (auto& listener : listeners_) {
        if (listener->thread.joinable())
            listener->thread.join();
    }
    listeners_.clear();
}

DevService::Handler DevService::withLog(Handler handler)
{
    // Logged on arrival, once the body is read, before the answer (which may never come).
    return
        [this, handler = std::move(handler)](const httplib::Request& req, httplib::Response& res) {
            record(req);
            handler(req, res);
        };
}

void DevService::record(const httplib::Request& req)
{
    RequestLog::Entry entry;
    entry.timeMs = nowMs();
    entry.method = req.method;
    entry.host = req.get_header_value("Host");
    if (entry.host.empty())
        entry.host = req.local_addr + ":" + std::to_string(req.local_port);
    entry.path = QueryText::pathOf(req.target);
    entry.query = QueryText::queryOf(req.target);
    for (const auto& [name, value] : req.headers) {
        // The library files the connection's addresses among the headers.
        if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
            name == "LOCAL_PORT")
            continue;
        entry.headers.emplace_back(name, value);
    }
    entry.body = req.body;
    log_.add(std::move(entry));
}

void DevService::addControl(httplib::Server& server)
{
    using httplib::Request;
    using httplib::Response;
    server.Post("/_dev/list", [this](const Request& req, Response& res) {
        auto params = QueryText::toMap(QueryText::parse(QueryText::queryOf(req.target)));
        auto name = params.find("name");
        if (name == params.end() || !ListScript::isListName(name->second)) {
            sendText(res, "name must be tx or sxzv\n", 400);
            return;
        }
        std::string error;
        auto script = ListScript::parse(params, req.body, error);
        if (!script) {
            sendText(res, error + "\n", 400);
            return;
        }
        board_.setScript(name->second, std::move(*script));
        sendText(res, "ok\n");
    });
    server.Get("/_dev/log", [this](const Request& req, Response& res) {
        auto params = QueryText::toMap(QueryText::parse(QueryText::queryOf(req.target)));
        long long since = 0;
        if (auto it = params.find("since"); it != params.end())
            std::from_chars(it->second.data(), it->second.data() + it->second.size(), since);
        res.set_content(log_.jsonLines(since), "application/x-ndjson; charset=utf-8");
    });
    server.Post("/_dev/log/clear", [this](const Request&, Response& res) {
        log_.clear();
        sendText(res, "ok\n");
    });
    server.Post("/_dev/options", [this](const Request& req, Response& res) {
        auto params = QueryText::toMap(QueryText::parse(QueryText::queryOf(req.target)));
        std::optional<bool> require;
        std::optional<int> frames;
        for (const auto& [key, value] : params) {
            if (key == "require_session" && (value == "0" || value == "1")) {
                require = value == "1";
            } else if (key == "member_frames" && value.size() == 1 && value[0] >= '1' &&
                       value[0] <= '4') {
                frames = value[0] - '0';
            } else {
                sendText(res, "unknown option or bad value: " + key + "\n", 400);
                return;
            }
        }
        if (require)
            requireSession_ = *require;
        if (frames)
            memberFrames_ = *frames;
        sendText(res, "ok\n");
    });
    server.Post("/_dev/reset", [this](const Request&, Response& res) {
        board_.reset();
        log_.clear();
        sessions_.clear();
        requireSession_ = options_.requireSession;
        memberFrames_ = 4;
        sendText(res, "ok\n");
    });
}

void DevService::serveList(const std::string& name, const httplib::Request& req,
                           httplib::Response& res)
{
    ListScript script = board_.answer(name);
    // Lists go out exactly as scripted, never compressed: a sized answer is that many bytes on
    // the wire. The request object is the library's own, handed to us read-only.
    const_cast<httplib::Request&>(req).headers.erase("Accept-Encoding");

    const bool stalls = script.delayMs > 0 || script.hang || script.reset || script.endless;
    ClientConnection connection = stalls ? ClientConnection::find(req.local_addr, req.local_port,
                                                                  req.remote_addr, req.remote_port)
                                         : ClientConnection(-1);
    if (script.delayMs > 0 && !connection.waitWhileConnected(script.delayMs, stopping_)) {
        connection.abort();
        return;
    }
    if (script.hang) {
        connection.waitWhileConnected(-1, stopping_);
        connection.abort();
        return;
    }
    if (script.reset) {
        connection.abort();
        res.set_header("Connection", "close");
        return;
    }
    res.status = script.status;
    if (script.endless) {
        // Pieces of at least 16 KiB: the body repeated, or filler for an empty body.
        std::string chunk = script.body.empty() ? std::string(16384, 'x') : script.body;
        while (chunk.size() < 16384)
            chunk += script.body;
        res.set_chunked_content_provider(
            kList, [this, chunk, connection](size_t, httplib::DataSink& sink) {
                if (stopping_ || connection.clientGone())
                    return false;
                if (!sink.write(chunk.data(), chunk.size()))
                    return false;
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
                return true;
            });
        return;
    }
    if (script.size && *script.size > 0) {
        auto shared = std::make_shared<ListScript>(std::move(script));
        res.set_content_provider(
            *shared->size, kList,
            [this, shared](size_t offset, size_t length, httplib::DataSink& sink) {
                if (stopping_)
                    return false;
                std::string piece = shared->sizedPiece(offset, std::min(length, kPieceSize));
                return sink.write(piece.data(), piece.size());
            });
        return;
    }
    res.set_content(script.size ? std::string() : script.body, kList);
}

bool DevService::hasVisit(const httplib::Request& req, const ServiceOptions::Address& address) const
{
    const std::string token = SessionStore::cookieValue(
        req.get_header_value("Cookie"), SessionStore::visitCookieName(address.port));
    return !token.empty() && sessions_.user(hostKey(address), token).has_value();
}

void DevService::serveMain(const httplib::Request& req, httplib::Response& res,
                           const ServiceOptions::Address& address)
{
    std::string token = SessionStore::cookieValue(req.get_header_value("Cookie"),
                                                  SessionStore::cookieName(address.port));
    auto user = token.empty() ? std::nullopt : sessions_.user(hostKey(address), token);
    if (user)
        sendHtml(res, MemberPages::memberArea(*user, board_.messages()));
    else
        sendHtml(res, MemberPages::login(std::string()));
}

void DevService::addMemberSite(httplib::Server& server, const ServiceOptions::Address& address)
{
    using httplib::Request;
    using httplib::Response;
    auto logged = [this](Handler handler) { return withLog(std::move(handler)); };
    auto get = [&](const char* pattern, Handler handler) {
        server.Get(pattern, logged(std::move(handler)));
    };
    auto post = [&](const char* pattern, Handler handler) {
        server.Post(pattern, logged(std::move(handler)));
    };
    MemberPages::Site site{hostKey(address), options_.info.url(), ZV_MARKET_DOMAIN,
                           options_.foreign.url()};

    get("/", [](const Request&, Response& res) { res.set_redirect("/nc/i88-62.asp"); });
    get("/nc/i88-62.asp", [this, address](const Request& req, Response& res) {
        if (!hasVisit(req, address))
            res.set_header("Set-Cookie", SessionStore::visitCookieName(address.port) + "=" +
                                             sessions_.open(hostKey(address), std::string()) +
                                             "; Path=/");
        sendHtml(res, MemberPages::frameset(memberFrames_));
    });
    get("/nc/top.asp", [site](const Request&, Response& res) {
        sendHtml(res, MemberPages::top(site, DemoFeed::today()));
    });
    get("/nc/menu.asp",
        [site](const Request&, Response& res) { sendHtml(res, MemberPages::menu(site)); });
    get("/nc/news.asp", [this](const Request&, Response& res) {
        sendHtml(res, MemberPages::news(board_.messages()));
    });
    get("/nc/main.asp",
        [this, address](const Request& req, Response& res) { serveMain(req, res, address); });
    get("/nc/login.asp",
        [this, address](const Request& req, Response& res) { serveMain(req, res, address); });
    post("/nc/login.asp", [this, address](const Request& req, Response& res) {
        auto fields = QueryText::toMap(QueryText::parse(req.body));
        auto field = [&](const char* key) {
            auto it = fields.find(key);
            return it == fields.end() ? std::string() : it->second;
        };
        std::string user = field("UserName");
        std::string pass = field("UserPassword");
        if (user.empty() || pass.empty()) {
            sendHtml(res, MemberPages::login("请输入用户名和密码。"));
            return;
        }
        std::string token = sessions_.open(hostKey(address), user);
        res.set_header("Set-Cookie",
                       SessionStore::cookieName(address.port) + "=" + token + "; Path=/; HttpOnly");
        res.set_redirect("/nc/main.asp", 303);
    });
    get("/nc/logout.asp", [this, address](const Request& req, Response& res) {
        const std::string name = SessionStore::cookieName(address.port);
        std::string token = SessionStore::cookieValue(req.get_header_value("Cookie"), name);
        if (!token.empty())
            sessions_.close(token);
        res.set_header("Set-Cookie", name + "=; Path=/; Max-Age=0");
        res.set_redirect("/nc/main.asp", 303);
    });
    get("/nc/show.asp", [this](const Request& req, Response& res) {
        auto params = QueryText::toMap(QueryText::parse(QueryText::queryOf(req.target)));
        auto it = params.find("id");
        int id = 0;
        if (it != params.end()) {
            const std::string& text = it->second;
            auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), id);
            if (ec != std::errc() || end != text.data() + text.size() || text.empty() || id < 0)
                id = -1;
        } else {
            id = -1;
        }
        if (id < 0) {
            sendHtml(res, MemberPages::notFound(req.target), 404);
            return;
        }
        sendHtml(res, MemberPages::item(id, board_.find(id)));
    });
    auto echo = [](const Request& req, Response& res) {
        const bool post = req.method == "POST";
        std::string contentType = req.get_header_value("Content-Type");
        QueryText::Pairs fields;
        if (!post)
            fields = QueryText::parse(QueryText::queryOf(req.target));
        else if (contentType.rfind("application/x-www-form-urlencoded", 0) == 0)
            fields = QueryText::parse(req.body);
        sendHtml(res, MemberPages::echo(req.method, contentType, fields, req.body));
    };
    get("/nc/echo.asp", echo);
    post("/nc/echo.asp", echo);
    get("/nc/newwin.asp",
        [](const Request&, Response& res) { sendHtml(res, MemberPages::newWindowPage()); });
    get("/nc/alert.asp",
        [](const Request&, Response& res) { sendHtml(res, MemberPages::alertPage()); });
    get("/nc/go.asp", [](const Request& req, Response& res) {
        auto params = QueryText::toMap(QueryText::parse(QueryText::queryOf(req.target)));
        auto it = params.find("to");
        sendHtml(res, MemberPages::goPage(it == params.end() ? std::string() : it->second));
    });
    get("/nc/fields.asp", [](const Request&, Response& res) { res.status = 204; });
    // A service that knows its members gives the lists only to a visit of its member page.
    auto list = [this, address](const char* name) {
        return [this, address, name](const Request& req, Response& res) {
            if (requireSession_ && !hasVisit(req, address))
                sendHtml(res, MemberPages::loginFirst());
            else
                serveList(name, req, res);
        };
    };
    get("/nc/tx.asp", list("tx"));
    get("/nc/tx_sxzv.asp", list("sxzv"));
    addNotFound(server);
}

void DevService::addNotFound(httplib::Server& server)
{
    // Registered last: every other address answers 404, and is logged like the rest.
    const Handler missing = withLog([](const httplib::Request& req, httplib::Response& res) {
        sendHtml(res, MemberPages::notFound(QueryText::pathOf(req.target)), 404);
    });
    server.Get(".*", missing);
    server.Post(".*", missing);
    server.Put(".*", missing);
    server.Delete(".*", missing);
    server.Patch(".*", missing);
    server.Options(".*", missing);
}

void DevService::addForeignSite(httplib::Server& server)
{
    // A site that is not the service, with the member page's shape: four frames, the login form
    // in the fourth. What its form is sent and what its fields hold is logged like everything.
    using httplib::Request;
    using httplib::Response;
    auto get = [&](const char* pattern, Handler handler) {
        server.Get(pattern, withLog(std::move(handler)));
    };
    get("/", [](const Request&, Response& res) { res.set_redirect("/nc/i88-62.asp"); });
    get("/nc/i88-62.asp",
        [](const Request&, Response& res) { sendHtml(res, MemberPages::frameset(4)); });
    get("/nc/top.asp",
        [](const Request&, Response& res) { sendHtml(res, MemberPages::foreignTop()); });
    get("/nc/menu.asp", [](const Request&, Response& res) {
        sendHtml(res, MemberPages::foreignPage("菜单", "这里什么也没有。"));
    });
    get("/nc/news.asp", [](const Request&, Response& res) {
        sendHtml(res, MemberPages::foreignPage("新闻", "这里什么也没有。"));
    });
    get("/nc/main.asp",
        [](const Request&, Response& res) { sendHtml(res, MemberPages::login(std::string())); });
    get("/nc/fields.asp", [](const Request&, Response& res) { res.status = 204; });
    server.Post("/nc/login.asp", withLog([](const Request&, Response& res) {
                    sendHtml(res, MemberPages::foreignPage("已提交", "谢谢。"));
                }));
    addNotFound(server);
}

void DevService::addInfoSite(httplib::Server& server)
{
    using httplib::Request;
    using httplib::Response;
    auto get = [&](const char* pattern, Handler handler) {
        server.Get(pattern, withLog(std::move(handler)));
    };
    get("/", [](const Request&, Response& res) { sendHtml(res, InfoPages::home()); });
    get("/wisdom.do", [](const Request& req, Response& res) {
        auto params = QueryText::toMap(QueryText::parse(QueryText::queryOf(req.target)));
        sendHtml(res, InfoPages::wisdom(params));
    });
    addNotFound(server);
}
