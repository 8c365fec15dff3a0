#pragma once
// The lock that keeps two writers of one file apart, and that no other user can take.
//
// A writer locks (flock) the file's lock file: ".<name>.lock" beside it, made readable and
// writable by the member alone (0600), opened without following a link, never renamed and never
// removed, so every writer of the file locks the same one while no other user can even open it.
// That holds only in a folder that is the member's alone: where others may write into the folder
// (the end of a link in /tmp, a group's folder) they could make that name first or put another
// file in its place. There, and wherever no lock file can be had, the lock is on the file itself,
// when no one else may open it. A file that others may open is written without a lock rather than
// made to wait for one that anybody could hold; that write leaves it the member's alone, so the
// next write locks it.
#include <QByteArray>
#include <sys/stat.h>

class WriteLock
{
public:
    enum class State {
        Held, // this writer has the lock
        Busy, // another writer kept it for the whole wait
        None, // no lock to take (see above), or a file system without locks
    };

    // Takes the lock file of the file `name` in `folder`, waiting at most waitMs.
    WriteLock(const QByteArray& folder, const QByteArray& name, int waitMs);
    ~WriteLock(); // gives the lock up
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;

    State state() const { return state_; }

    // Locks the open file fd itself (st: its status), waiting at most waitMs. The lock goes when
    // fd is closed.
    static State onFile(int fd, const struct stat& st, int waitMs);

    // ".<name>.lock": the name of a file's lock file.
    static QByteArray lockFileName(const QByteArray& name);

private:
    int fd_ = -1;
    State state_ = State::None;
};
