#include "startup/singleinstance.h"

#include "startup/settings.h"

#include <QLockFile>

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
    if (lock_ && lock_->isLocked())
        return true;
    lock_ = std::make_unique<QLockFile>(path_);
    // A lock is stale only when its process is gone (QLockFile checks the process id and name);
    // with the default age limit a copy running for more than 30 s would lose its lock.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0))
        return true;
    if (lock_->error() == QLockFile::LockFailedError) {
        // Held by a process that no longer exists (killed, crashed): take it over.
        qint64 pid = 0;
        QString host;
        QString app;
        if (!lock_->getLockInfo(&pid, &host, &app) && lock_->removeStaleLockFile() &&
            lock_->tryLock(0))
            return true;
    }
    const bool held = lock_->error() == QLockFile::LockFailedError;
    lock_.reset();
    return !held;
}

void SingleInstance::release()
{
    if (lock_) {
        lock_->unlock();
        lock_.reset();
    }
}
