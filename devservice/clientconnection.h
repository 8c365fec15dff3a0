#pragma once
// The client's end of the connection a request came in on, for answers that stall, never come
// or stop short: it tells when the client has gone away and can drop the connection at once.
#include <atomic>
#include <string>

class ClientConnection
{
public:
    // Looks the connection up among the process's sockets by its two addresses. A connection
    // that cannot be found (fd -1) is taken as still there until the wait ends.
    static ClientConnection find(const std::string& localAddr, int localPort,
                                 const std::string& remoteAddr, int remotePort);

    explicit ClientConnection(int fd) : fd_(fd) {}
    int fd() const { return fd_; }

    // True once the client has closed its end or the connection has failed.
    bool clientGone() const;
    // Waits `ms` milliseconds (forever when negative); returns false early as soon as the
    // client goes away or `stop` is set.
    bool waitWhileConnected(long long ms, const std::atomic<bool>& stop) const;
    // Drops the connection with a reset; nothing more reaches the client.
    void abort() const;

private:
    int fd_ = -1;
};
