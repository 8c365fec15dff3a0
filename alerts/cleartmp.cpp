#include "alerts/cleartmp.h"

#include "startup/settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

void ClearTmp()
{
    // The folder itself, without its closing "/": it is asked about below.
    const QString path = QDir::cleanPath(Member().datDir());
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
