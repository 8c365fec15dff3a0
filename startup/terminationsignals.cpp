#include "startup/terminationsignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

constexpr int kSignals[] = {SIGTERM, SIGHUP, SIGINT};

// Both ends of the pipe; one object at a time owns them.
int g_fds[2] = {-1, -1};
// What each signal did before, put back at the end.
struct sigaction g_previous[std::size(kSignals)];

extern "C" void onSignal(int signalNumber)
{
    // Only what is safe in a signal handler: one write, errno kept for the code it interrupted.
    const int saved = errno;
    const char byte = static_cast<char>(signalNumber);
    [[maybe_unused]] const ssize_t n = ::write(g_fds[1], &byte, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent)
{
    if (g_fds[0] >= 0)
        return; // another object already takes them
    // Non-blocking: a handler never waits on a full pipe (further signals are then dropped,
    // the first one is enough). Closed on exec, so no started program inherits them.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, g_fds) != 0) {
        g_fds[0] = g_fds[1] = -1;
        return;
    }
    notifier_ = new QSocketNotifier(g_fds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::readPipe);

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i) {
        ::sigaction(kSignals[i], nullptr, &g_previous[i]);
        // A signal ignored from the start stays ignored: started with nohup, the program
        // outlives its terminal as asked.
        if (g_previous[i].sa_handler != SIG_IGN)
            ::sigaction(kSignals[i], &action, nullptr);
    }
}

TerminationSignals::~TerminationSignals()
{
    if (!notifier_)
        return;
    for (size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    delete notifier_;
    ::close(g_fds[0]);
    ::close(g_fds[1]);
    g_fds[0] = g_fds[1] = -1;
}

void TerminationSignals::readPipe()
{
    char bytes[16];
    for (;;) {
        const ssize_t n = ::read(g_fds[0], bytes, sizeof bytes);
        if (n <= 0)
            break;
        for (ssize_t i = 0; i < n; ++i)
            emit received(static_cast<unsigned char>(bytes[i]));
    }
}

#include "moc_terminationsignals.cpp" // meta-object code, compiled with this file
