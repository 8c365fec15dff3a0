#pragma once
// Edits a file's contents all at once, safely beside other writers of the same file.
//
// Each edit is a read-modify-write under an advisory lock that only the member can take (the
// file's lock file beside it, ".<name>.lock"; see writelock.h), so two processes that edit one
// file at the same time both keep their change, and another user cannot hold the edit up. The new
// bytes go to a temporary file of a unique name (mkstemp) beside it, which is flushed to disk and
// renamed over the old one: a crash, a full disk or any other failure leaves the old file as it
// was (or no file, if there was none). Only a file that does not exist starts empty; a file that
// cannot be opened or read for any other reason is left alone. The file written is readable by
// its owner only, whatever the old one's mode was. Symbolic links are followed to the end of
// their chain and the file there is replaced (the links stay), except a link that the kernel
// itself would not follow for this process: one owned by someone else in a sticky folder that
// others may write into (such as /tmp), which another user may have planted.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>
#include <optional>

class AtomicFileWriter
{
public:
    enum class Result { Written, Unchanged, Failed };

    // Gets the file's bytes (empty for a new file); returns the new bytes, or nothing to leave
    // the file as it is.
    using Edit = std::function<std::optional<QByteArray>(QByteArrayView current)>;

    // A file larger than maxBytes is not read and not replaced.
    static Result update(const QString& path, qint64 maxBytes, const Edit& edit);

    // The name a write to path lands on: every symbolic link of the chain resolved. Nothing when
    // the chain is broken by an error (a loop, an unreadable folder) or holds a link the kernel
    // would refuse to follow (see above).
    static std::optional<QByteArray> resolveTarget(const QByteArray& path);

    // How long an edit waits for another writer's lock before it gives up.
    static constexpr int kLockWaitMs = 3000;

    // Test seam: while set, every write fails after the temporary file was written and before
    // the rename, as a crash at that moment would.
    static void setFailBeforeRenameForTesting(bool fail);
};
