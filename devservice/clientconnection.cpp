#include "devservice/clientconnection.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstdlib>
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace
{

bool sameAddress(const sockaddr_in& a, const std::string& host, int port)
{
    char text[INET_ADDRSTRLEN] = {};
    if (!inet_ntop(AF_INET, &a.sin_addr, text, sizeof text))
        return false;
    return host == text && ntohs(a.sin_port) == port;
}

} // namespace

ClientConnection ClientConnection::find(const std::string& localAddr, int localPort,
                                        const std::string& remoteAddr, int remotePort)
{
    DIR* dir = opendir("/proc/self/fd");
    if (!dir)
        return ClientConnection(-1);
    int found = -1;
    while (dirent* entry = readdir(dir)) {
        char* end = nullptr;
        long fd = std::strtol(entry->d_name, &end, 10);
        if (end == entry->d_name || *end != '\0' || fd == dirfd(dir))
            continue;
        sockaddr_in local{};
        sockaddr_in peer{};
        socklen_t localLen = sizeof local;
        socklen_t peerLen = sizeof peer;
        if (getsockname(int(fd), reinterpret_cast<sockaddr*>(&local), &localLen) != 0 ||
            local.sin_family != AF_INET ||
            getpeername(int(fd), reinterpret_cast<sockaddr*>(&peer), &peerLen) != 0)
            continue;
        if (sameAddress(local, localAddr, localPort) && sameAddress(peer, remoteAddr, remotePort)) {
            found = int(fd);
            break;
        }
    }
    closedir(dir);
    return ClientConnection(found);
}

bool ClientConnection::clientGone() const
{
    if (fd_ < 0)
        return false;
    pollfd p{fd_, short(POLLIN | POLLRDHUP), 0};
    int rc = ::poll(&p, 1, 0);
    if (rc <= 0)
        return false;
    if (p.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL))
        return true;
    char byte;
    ssize_t n = ::recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return n == 0;
}

bool ClientConnection::waitWhileConnected(long long ms, const std::atomic<bool>& stop) const
{
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(ms < 0 ? 0 : ms);
    for (;;) {
        if (stop.load() || clientGone())
            return false;
        auto now = clock::now();
        if (ms >= 0 && now >= deadline)
            return true;
        auto step = std::chrono::milliseconds(20);
        if (ms >= 0)
            step = std::min(step, std::chrono::duration_cast<std::chrono::milliseconds>(
                                      deadline - now + std::chrono::milliseconds(1)));
        std::this_thread::sleep_for(step);
    }
}

void ClientConnection::abort() const
{
    if (fd_ < 0)
        return;
    linger hard{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    // Disconnecting a connected TCP socket sends a reset and leaves the descriptor to its
    // owner, which closes it as usual.
    sockaddr unspec{};
    unspec.sa_family = AF_UNSPEC;
    if (::connect(fd_, &unspec, sizeof unspec) != 0)
        ::shutdown(fd_, SHUT_RDWR);
}
