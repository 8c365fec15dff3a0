#include "support/faultyfiles.h"

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>

namespace
{

using FaultyFiles::Call;

std::mutex g_mutex;
QByteArray g_path;
Call g_kind = Call::Lookup;
int g_error = 0;
std::atomic<int> g_left{0};

// True (with errno set) when this call on path is one to fail.
bool failsNow(Call kind, const char* path)
{
    if (g_left.load(std::memory_order_relaxed) <= 0 || !path)
        return false;
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_left.load() <= 0 || kind != g_kind || std::strcmp(path, g_path.constData()) != 0)
        return false;
    g_left.fetch_sub(1);
    errno = g_error;
    return true;
}

template <typename Fn> Fn next(const char* name)
{
    return reinterpret_cast<Fn>(::dlsym(RTLD_NEXT, name));
}

mode_t modeArgument(int flags, va_list& args)
{
    return (flags & (O_CREAT | O_TMPFILE)) ? static_cast<mode_t>(va_arg(args, unsigned)) : 0;
}

} // namespace

namespace FaultyFiles
{

void failNext(Call kind, const QByteArray& path, int count, int error)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_kind = kind;
    g_path = path;
    g_error = error;
    g_left.store(count);
}

int pending()
{
    return g_left.load();
}

void clear()
{
    g_left.store(0);
}

} // namespace FaultyFiles

// The C library's entry points, in front of it.
extern "C" {

#define ZV_FAULTY_OPEN(name)                                                                       \
    int name(const char* path, int flags, ...)                                                     \
    {                                                                                              \
        va_list args;                                                                              \
        va_start(args, flags);                                                                     \
        const mode_t mode = modeArgument(flags, args);                                             \
        va_end(args);                                                                              \
        if (failsNow(Call::Open, path))                                                            \
            return -1;                                                                             \
        static const auto real = next<int (*)(const char*, int, ...)>(#name);                      \
        return real(path, flags, mode);                                                            \
    }
ZV_FAULTY_OPEN(open)
ZV_FAULTY_OPEN(open64)

#define ZV_FAULTY_OPENAT(name)                                                                     \
    int name(int dir, const char* path, int flags, ...)                                            \
    {                                                                                              \
        va_list args;                                                                              \
        va_start(args, flags);                                                                     \
        const mode_t mode = modeArgument(flags, args);                                             \
        va_end(args);                                                                              \
        if (failsNow(Call::Open, path))                                                            \
            return -1;                                                                             \
        static const auto real = next<int (*)(int, const char*, int, ...)>(#name);                 \
        return real(dir, path, flags, mode);                                                       \
    }
ZV_FAULTY_OPENAT(openat)
ZV_FAULTY_OPENAT(openat64)

#define ZV_FAULTY_STAT(name, statType)                                                             \
    int name(const char* path, struct statType* buf) noexcept                                      \
    {                                                                                              \
        if (failsNow(Call::Lookup, path))                                                          \
            return -1;                                                                             \
        static const auto real = next<int (*)(const char*, struct statType*)>(#name);              \
        return real(path, buf);                                                                    \
    }
ZV_FAULTY_STAT(stat, stat)
ZV_FAULTY_STAT(lstat, stat)
ZV_FAULTY_STAT(stat64, stat64)
ZV_FAULTY_STAT(lstat64, stat64)

#define ZV_FAULTY_FSTATAT(name, statType)                                                          \
    int name(int dir, const char* path, struct statType* buf, int flags) noexcept                  \
    {                                                                                              \
        if (failsNow(Call::Lookup, path))                                                          \
            return -1;                                                                             \
        static const auto real = next<int (*)(int, const char*, struct statType*, int)>(#name);    \
        return real(dir, path, buf, flags);                                                        \
    }
ZV_FAULTY_FSTATAT(fstatat, stat)
ZV_FAULTY_FSTATAT(fstatat64, stat64)

int access(const char* path, int mode) noexcept
{
    if (failsNow(Call::Lookup, path))
        return -1;
    static const auto real = next<int (*)(const char*, int)>("access");
    return real(path, mode);
}

int faccessat(int dir, const char* path, int mode, int flags) noexcept
{
    if (failsNow(Call::Lookup, path))
        return -1;
    static const auto real = next<int (*)(int, const char*, int, int)>("faccessat");
    return real(dir, path, mode, flags);
}

int statx(int dir, const char* path, int flags, unsigned int mask, struct statx* buf) noexcept
{
    if (failsNow(Call::Lookup, path))
        return -1;
    static const auto real =
        next<int (*)(int, const char*, int, unsigned int, struct statx*)>("statx");
    return real(dir, path, flags, mask, buf);
}

} // extern "C"
