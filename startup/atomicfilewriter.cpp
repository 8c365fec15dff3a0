#include "startup/atomicfilewriter.h"

#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

std::atomic<bool> g_failBeforeRename{false};

bool writeAll(int fd, const QByteArray& bytes)
{
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

} // namespace

bool AtomicFileWriter::write(const QString& path, const QByteArray& bytes)
{
    QString target = path;
    const QFileInfo info(path);
    if (info.isSymLink()) {
        const QString resolved = info.symLinkTarget();
        if (!resolved.isEmpty())
            target = resolved;
    }
    const QByteArray targetName = QFile::encodeName(target);
    const QByteArray tempName = targetName + ".new";

    mode_t mode = S_IRUSR | S_IWUSR;
    struct stat st {
    };
    if (::stat(targetName.constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return false;
        mode = st.st_mode & 07777;
    }

    // O_NOFOLLOW: a link planted under the temporary name is never written through.
    ::unlink(tempName.constData());
    const int fd = ::open(tempName.constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, bytes) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && g_failBeforeRename.load())
        return false; // leaves the temporary file behind, like a crash at this point
    if (!ok || ::rename(tempName.constData(), targetName.constData()) != 0) {
        ::unlink(tempName.constData());
        return false;
    }
    // Make the rename itself durable; the file is already in place if this fails.
    const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());
    const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

void AtomicFileWriter::setFailBeforeRenameForTesting(bool fail)
{
    g_failBeforeRename.store(fail);
}
