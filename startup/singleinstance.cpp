#include "startup/singleinstance.h"

#include "startup/settings.h"

#include <QFile>
#include <QLockFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

enum class Found { Stale, Held, Unknown };

// Whether the lock file at path belongs to a copy that runs: a running copy holds a file lock on
// it. One that nobody holds is taken away (and Stale returned), whatever process and machine it
// names. Unknown when the file cannot be opened or locked at all.
Found removeIfStale(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    // Read and write: a file lock on NFS is a write lock, which needs both.
    const int fd = ::open(name.constData(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? Found::Stale : Found::Unknown; // gone already: try again
    Found found = Found::Unknown;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        // Only the file that was locked is taken away: another start may have replaced it by a
        // new lock of its own meanwhile, which is then found on the next try.
        struct stat locked = {};
        struct stat named = {};
        found = Found::Stale;
        if (::fstat(fd, &locked) == 0 && ::lstat(name.constData(), &named) == 0 &&
            locked.st_dev == named.st_dev && locked.st_ino == named.st_ino &&
            ::unlink(name.constData()) != 0)
            found = Found::Unknown;
    } else if (errno == EWOULDBLOCK) {
        found = Found::Held;
    }
    ::close(fd);
    return found;
}

} // namespace

SingleInstance::SingleInstance(const QString& lockPath)
    : path_(lockPath.isEmpty() ? defaultLockPath() : lockPath)
{
}

SingleInstance::~SingleInstance()
{
    release();
}

QString SingleInstance::defaultLockPath()
{
    return Member().settingsDir() + QStringLiteral("zvkb.lock");
}

bool SingleInstance::tryAcquire()
{
    if (holdsLock())
        return true;
    lock_ = std::make_unique<QLockFile>(path_);
    // Staleness is the file lock's alone (removeIfStale); with the default age limit a copy
    // running for more than 30 s would lose its lock.
    lock_->setStaleLockTime(0);
    // A few tries: each one that finds a stale lock takes it away, and another start may be
    // doing the same at this moment.
    for (int tries = 0; tries < 3; ++tries) {
        if (lock_->tryLock(0))
            return true;
        if (lock_->error() != QLockFile::LockFailedError)
            break; // no lock file can be made here
        const Found found = removeIfStale(path_);
        if (found == Found::Held) {
            lock_.reset();
            return false;
        }
        if (found == Found::Unknown)
            break;
    }
    lock_.reset();
    return true;
}

bool SingleInstance::holdsLock() const
{
    return lock_ && lock_->isLocked();
}

void SingleInstance::release()
{
    if (lock_) {
        lock_->unlock();
        lock_.reset();
    }
}
