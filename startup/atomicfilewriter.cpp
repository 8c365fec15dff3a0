#include "startup/atomicfilewriter.h"

#include "startup/writelock.h"

#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

std::atomic<bool> g_failBeforeRename{false};

// Files above this size are mapped rather than copied into memory.
constexpr qint64 kMapThreshold = 1024 * 1024;
// Links followed at most, as the kernel does (ELOOP beyond).
constexpr int kMaxLinks = 40;

class Fd
{
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void reset(int fd = -1)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

QByteArray folderOf(const QByteArray& path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

QByteArray nameOf(const QByteArray& path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

// fs.protected_symlinks: in a sticky folder that others may write into, the kernel follows a
// link only for its owner or when the folder's owner also owns the link.
bool kernelWouldFollow(const struct stat& link, const struct stat& folder)
{
    if (!(folder.st_mode & S_ISVTX) || !(folder.st_mode & S_IWOTH))
        return true;
    return link.st_uid == ::geteuid() || link.st_uid == folder.st_uid;
}

bool sameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool writeAll(int fd, QByteArrayView bytes)
{
    const char* p = bytes.data();
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

// The whole contents of an open file, mapped when it is large.
class Contents
{
public:
    Contents(int fd, qint64 size)
    {
        if (size > kMapThreshold) {
            void* p = ::mmap(nullptr, static_cast<size_t>(size), PROT_READ, MAP_PRIVATE, fd, 0);
            if (p != MAP_FAILED) {
                map_ = p;
                mapSize_ = static_cast<size_t>(size);
                view_ = QByteArrayView(static_cast<const char*>(p), size);
                ok_ = true;
                return;
            }
        }
        copy_.resize(size);
        qint64 done = 0;
        while (done < size) {
            const ssize_t n =
                ::pread(fd, copy_.data() + done, static_cast<size_t>(size - done), done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return;
            done += n;
        }
        view_ = copy_;
        ok_ = true;
    }
    ~Contents()
    {
        if (map_)
            ::munmap(map_, mapSize_);
    }
    Contents(const Contents&) = delete;
    Contents& operator=(const Contents&) = delete;

    bool ok() const { return ok_; }
    QByteArrayView bytes() const { return view_; }

private:
    void* map_ = nullptr;
    size_t mapSize_ = 0;
    QByteArray copy_;
    QByteArrayView view_;
    bool ok_ = false;
};

QByteArray temporaryPrefix(const QByteArray& target)
{
    return '.' + nameOf(target) + '.';
}

// Temporary files of writes that a crash or a kill cut short. Called under the lock, when no
// other writer has one open.
void removeStaleTemporaries(const QByteArray& target)
{
    const QByteArray prefix = temporaryPrefix(target);
    DIR* dir = ::opendir(folderOf(target).constData());
    if (!dir)
        return;
    while (const dirent* e = ::readdir(dir)) {
        const QByteArrayView name(e->d_name);
        if (name.size() != prefix.size() + 6 || !name.startsWith(prefix))
            continue;
        struct stat st = {};
        if (::fstatat(::dirfd(dir), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode) && st.st_uid == ::geteuid())
            ::unlinkat(::dirfd(dir), e->d_name, 0);
    }
    ::closedir(dir);
}

// Puts bytes in place of target through a new temporary file beside it.
bool replace(const QByteArray& target, QByteArrayView bytes, mode_t mode)
{
    QByteArray temp = folderOf(target) + '/' + temporaryPrefix(target) + "XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, bytes) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (ok && g_failBeforeRename.load())
        return false; // leaves the temporary file behind, like a crash at this point
    if (!ok || ::rename(temp.constData(), target.constData()) != 0) {
        ::unlink(temp.constData());
        return false;
    }
    // Make the rename itself durable; the file is already in place if this fails.
    Fd folder(::open(folderOf(target).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0)
        ::fsync(folder.get());
    return true;
}

} // namespace

std::optional<QByteArray> AtomicFileWriter::resolveTarget(const QByteArray& path)
{
    QByteArray current = path;
    for (int links = 0; links <= kMaxLinks; ++links) {
        struct stat st = {};
        if (::lstat(current.constData(), &st) != 0) {
            // Only a name that does not exist is one to create; any other error is no answer.
            if (errno == ENOENT)
                return current;
            return std::nullopt;
        }
        if (!S_ISLNK(st.st_mode))
            return current;
        struct stat folder = {};
        if (::stat(folderOf(current).constData(), &folder) != 0 || !kernelWouldFollow(st, folder))
            return std::nullopt;
        char buf[PATH_MAX];
        const ssize_t n = ::readlink(current.constData(), buf, sizeof buf);
        if (n <= 0 || n == static_cast<ssize_t>(sizeof buf))
            return std::nullopt;
        QByteArray next(buf, n);
        current = next.startsWith('/') ? next : folderOf(current) + '/' + next;
    }
    return std::nullopt;
}

AtomicFileWriter::Result AtomicFileWriter::update(const QString& path, qint64 maxBytes,
                                                  const Edit& edit)
{
    const std::optional<QByteArray> resolved = resolveTarget(QFile::encodeName(path));
    if (!resolved)
        return Result::Failed;
    const QByteArray& target = *resolved;
    const char* name = target.constData();
    constexpr int kFlags = O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
    QElapsedTimer clock;
    clock.start();
    const auto waitLeft = [&] { return std::max(0, kLockWaitMs - int(clock.elapsed())); };

    // Every writer locks the same lock file beside the file (see writelock.h). Where there is
    // none to lock, each locks the file itself: since every writer replaces the file, that lock
    // may turn out to be on a file another writer has replaced meanwhile, and the edit then
    // starts again on the new one.
    const WriteLock beside(folderOf(target), nameOf(target), waitLeft());
    if (beside.state() == WriteLock::State::Busy)
        return Result::Failed;
    do {
        bool created = true;
        Fd fd(::open(name, O_RDWR | O_CREAT | O_EXCL | kFlags, S_IRUSR | S_IWUSR));
        if (fd.get() < 0 && errno == EEXIST) {
            created = false;
            fd.reset(::open(name, O_RDWR | kFlags));
            if (fd.get() < 0 && errno == EACCES) // the member made it read-only
                fd.reset(::open(name, O_RDONLY | kFlags));
            if (fd.get() < 0 && errno == ENOENT)
                continue;
        }
        if (fd.get() < 0)
            return Result::Failed;
        struct stat locked = {};
        if (::fstat(fd.get(), &locked) != 0 || !S_ISREG(locked.st_mode))
            return Result::Failed;
        if (beside.state() != WriteLock::State::Held &&
            WriteLock::onFile(fd.get(), locked, waitLeft()) == WriteLock::State::Busy)
            return Result::Failed;
        // Its size once locked, and whether it is still the file of that name.
        struct stat named = {};
        if (::fstat(fd.get(), &locked) != 0)
            return Result::Failed;
        if (::lstat(name, &named) != 0 || !sameFile(locked, named))
            continue;

        removeStaleTemporaries(target);
        Result result = Result::Failed;
        if (locked.st_size <= maxBytes) {
            const Contents current(fd.get(), locked.st_size);
            if (current.ok()) {
                const std::optional<QByteArray> updated = edit(current.bytes());
                if (!updated)
                    result = Result::Unchanged;
                else if (replace(target, *updated, locked.st_mode & S_IRWXU))
                    result = Result::Written;
            }
        }
        // A file this edit created and then did not fill is taken away again: no file and an
        // empty one read the same, but the member finds what they left.
        if (created && result != Result::Written && ::lstat(name, &named) == 0 &&
            sameFile(locked, named) && named.st_size == 0)
            ::unlink(name);
        return result;
    } while (waitLeft() > 0);
    return Result::Failed;
}

void AtomicFileWriter::setFailBeforeRenameForTesting(bool fail)
{
    g_failBeforeRename.store(fail);
}
