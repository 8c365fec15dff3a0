#pragma once
// One running copy per member and settings folder: a lock file beside config.ini, so that every
// copy that would read and write the same settings finds it, whatever its environment says
// (another XDG_RUNTIME_DIR through su, sudo -u, ssh or cron included). The lock of a copy that
// crashed or was killed does not block the next start; the lock of a copy that still runs never
// goes stale, however long it has been running.
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

    // True when this process now holds the lock (or already did); false when another running
    // copy holds it. A lock that cannot be made at all (a settings folder the member may not
    // write into) is no other copy: true then too. Never waits.
    bool tryAcquire();
    // Gives the lock up (also done by the destructor).
    void release();

    const QString& lockPath() const { return path_; }
    static QString defaultLockPath();

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};
