#include "startup/writelock.h"

#include "startup/memberfolders.h"

#include <QFile>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace
{

// Whether nobody but this process's user may open the file.
bool membersOnly(const struct stat& st)
{
    return st.st_uid == ::geteuid() && (st.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

// Waits a bounded time for an exclusive lock: a writer that hangs must not hang this one.
WriteLock::State lockWithin(int fd, int ms)
{
    for (int waited = 0;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
            return WriteLock::State::Held;
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK)
            return WriteLock::State::None;
        if (waited >= ms)
            return WriteLock::State::Busy;
        const timespec pause{0, 10 * 1000 * 1000};
        ::nanosleep(&pause, nullptr);
        waited += 10;
    }
}

} // namespace

WriteLock::WriteLock(const QByteArray& folder, const QByteArray& name, int waitMs)
{
    if (!MemberFolders::isMembersAlone(QFile::decodeName(folder)))
        return;
    const QByteArray path = folder + '/' + lockFileName(name);
    fd_ = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                 S_IRUSR | S_IWUSR);
    if (fd_ < 0)
        return;
    // A lock file of another user's (one who ran the program with this member's folders), or
    // one opened up by hand, is not one that only the member can hold.
    struct stat st = {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid() ||
        (!membersOnly(st) && ::fchmod(fd_, S_IRUSR | S_IWUSR) != 0)) {
        ::close(fd_);
        fd_ = -1;
        return;
    }
    state_ = lockWithin(fd_, waitMs);
}

WriteLock::~WriteLock()
{
    if (fd_ >= 0)
        ::close(fd_);
}

WriteLock::State WriteLock::onFile(int fd, const struct stat& st, int waitMs)
{
    return membersOnly(st) ? lockWithin(fd, waitMs) : State::None;
}

QByteArray WriteLock::lockFileName(const QByteArray& name)
{
    return '.' + name + ".lock";
}
