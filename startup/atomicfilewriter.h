#pragma once
// Replaces a file's contents all at once: the new bytes go to a temporary file beside it, which
// is flushed to disk and then renamed over the old one. A crash, a full disk or any other failure
// leaves the old file as it was (or no file, if there was none). A new file is created readable
// by its owner only; a replaced file keeps its permission bits. A symbolic link is followed, so
// the file it points at is replaced and the link stays.
#include <QByteArray>
#include <QString>

class AtomicFileWriter
{
public:
    // True when path now holds exactly bytes.
    static bool write(const QString& path, const QByteArray& bytes);

    // Test seam: while set, every write fails after the temporary file was written and before
    // the rename, as a crash at that moment would.
    static void setFailBeforeRenameForTesting(bool fail);
};
