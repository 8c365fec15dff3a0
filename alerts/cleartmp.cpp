#include "alerts/cleartmp.h"

#include "startup/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

void ClearTmp()
{
    QString path = Member().datDir();
    path.chop(1); // the folder itself, not its contents, is asked about below
    const QFileInfo folder(path);
    // A "dat" that is a link to somewhere else is not ours to empty.
    if (folder.isSymLink() || !folder.isDir())
        return;
    const QDir dir(path);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        // Links to folders are listed as folders and stay; a link to a file is removed itself,
        // never what it points at.
        if (entry.isDir())
            continue;
        QFile::remove(entry.absoluteFilePath()); // a file that cannot go is left; the rest go on
    }
}
