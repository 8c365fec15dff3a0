#pragma once
// Member logins: a session token per login, valid only on the line host that issued it.
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>

class SessionStore
{
public:
    SessionStore();

    // A new session for `user` on `host` (the listener's "ip:port"); returns its token.
    std::string open(const std::string& host, const std::string& user);
    // The member of a token issued by this host, if it is still open.
    std::optional<std::string> user(const std::string& host, const std::string& token) const;
    void close(const std::string& token);
    void clear();

    // The login cookie's name on a listener: line hosts that share an address but not a port
    // must not share a cookie (browsers keep cookies per host name, not per port).
    static std::string cookieName(int port);
    // The visit cookie the member page sets on every visit that does not carry one yet (an
    // anonymous session, as a server of this kind hands out before any login).
    static std::string visitCookieName(int port);
    // The value of cookie `name` in a Cookie request header.
    static std::string cookieValue(const std::string& header, const std::string& name);

private:
    struct Session {
        std::string host;
        std::string user;
    };
    static constexpr size_t maxSessions = 10000;

    mutable std::mutex mutex_;
    std::map<std::string, Session> sessions_;
    std::mt19937_64 random_;
};
