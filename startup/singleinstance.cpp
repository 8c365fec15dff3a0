#include "startup/singleinstance.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>
#include <unistd.h>

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
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty() || !QDir().mkpath(dir))
        dir = QDir::tempPath();
    // The user id keeps copies of different users apart in a shared temporary folder.
    return QDir(dir).filePath(QStringLiteral("zvkb-%1.lock").arg(::getuid()));
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
    lock_.reset();
    return false;
}

void SingleInstance::release()
{
    if (lock_) {
        lock_->unlock();
        lock_.reset();
    }
}
