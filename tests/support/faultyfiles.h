#pragma once
// A file system that answers a call with an error now and then, as NFS and sshfs homes do: the
// next calls that open or look up one exact path fail with the given errno, whoever makes them
// (the program's code or Qt's). Linking this into a test program puts its open and stat
// functions in front of the C library's for the whole program; unarmed, they pass every call on.
#include <QByteArray>

namespace FaultyFiles
{

enum class Call {
    Lookup, // access, faccessat, stat, lstat, fstatat and statx (and their 64-bit names)
    Open,   // open and openat (and their 64-bit names)
};

// The next count calls of that kind naming path fail with error.
void failNext(Call kind, const QByteArray& path, int count, int error);
// Calls still to fail.
int pending();
// Disarms what is left.
void clear();

} // namespace FaultyFiles
