#pragma once
// One running copy per member and settings folder: a lock file beside config.ini, so that every
// copy that would read and write the same settings finds it, whatever its environment says
// (another XDG_RUNTIME_DIR through su, sudo -u, ssh or cron included). A copy holds a file lock
// (flock) on it for as long as it runs, and that alone decides: a lock file whose file lock
// nobody holds was left by a copy that crashed or was killed, on this machine or on another one
// that shares the folder (NFS gives up the locks of a machine that went down), and never blocks
// the next start; the lock of a copy that still runs never goes stale, however long it has been
// running and whatever machine it names.
#include <QString>
#include <memory>

class QLockFile;

class SingleInstance
{
public:
    // Uses the lock file at lockPath; an empty path means defaultLockPath().
    explicit SingleInstance(const QString& lockPath = QString());
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // False when another running copy holds the lock. True when this process now holds it (or
    // already did), and also when no lock can be made at all (a settings folder the member may
    // not write into, a full disk): no lock file says there is another copy then, and
    // holdsLock() tells the two apart. Never waits.
    bool tryAcquire();
    bool holdsLock() const;
    // Gives the lock up (also done by the destructor).
    void release();

    const QString& lockPath() const { return path_; }
    static QString defaultLockPath();

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};
