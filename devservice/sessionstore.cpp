#include "devservice/sessionstore.h"

#include <cstdio>

SessionStore::SessionStore() : random_(std::random_device{}()) {}

std::string SessionStore::open(const std::string& host, const std::string& user)
{
    std::lock_guard lock(mutex_);
    char token[40];
    std::snprintf(token, sizeof token, "%016llx%016llx", static_cast<unsigned long long>(random_()),
                  static_cast<unsigned long long>(random_()));
    if (sessions_.size() >= maxSessions)
        sessions_.erase(sessions_.begin());
    sessions_[token] = {host, user};
    return token;
}

std::optional<std::string> SessionStore::user(const std::string& host,
                                              const std::string& token) const
{
    std::lock_guard lock(mutex_);
    auto it = sessions_.find(token);
    if (it == sessions_.end() || it->second.host != host)
        return std::nullopt;
    return it->second.user;
}

void SessionStore::close(const std::string& token)
{
    std::lock_guard lock(mutex_);
    sessions_.erase(token);
}

void SessionStore::clear()
{
    std::lock_guard lock(mutex_);
    sessions_.clear();
}

std::string SessionStore::cookieName(int port)
{
    return "ZVSID" + std::to_string(port);
}

std::string SessionStore::visitCookieName(int port)
{
    return "ASPSESSIONID" + std::to_string(port);
}

std::string SessionStore::cookieValue(const std::string& header, const std::string& name)
{
    size_t pos = 0;
    while (pos < header.size()) {
        size_t end = header.find(';', pos);
        if (end == std::string::npos)
            end = header.size();
        std::string part = header.substr(pos, end - pos);
        size_t first = part.find_first_not_of(' ');
        if (first != std::string::npos)
            part.erase(0, first);
        size_t eq = part.find('=');
        if (eq != std::string::npos && part.compare(0, eq, name) == 0 && eq == name.size())
            return part.substr(eq + 1);
        pos = end + 1;
    }
    return {};
}
