#include "startup/settings.h"

#include "startup/atomicfilewriter.h"
#include "startup/gbkcodec.h"
#include "startup/inifile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <optional>

namespace
{

// A settings file beyond this size is not a settings file; it is left alone rather than read
// into memory.
constexpr qint64 kMaxFileBytes = qint64(256) * 1024 * 1024;

QString& appDirOverride()
{
    static QString dir;
    return dir;
}

// The file's bytes; empty for a missing file; nothing when the file exists but cannot be read
// (a folder, a device, unreadable, too large).
std::optional<QByteArray> loadFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QByteArray();
    if (!info.isFile() || info.size() > kMaxFileBytes)
        return std::nullopt;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

} // namespace

QString ReadIni(const QString& section, const QString& key, const QString& path)
{
    const std::optional<QByteArray> file = loadFile(path);
    if (!file || file->isEmpty())
        return {};
    const std::optional<QByteArray> value =
        IniFile::readValue(*file, GbkCodec::encode(section), GbkCodec::encode(key));
    if (!value)
        return {};
    return GbkCodec::decode(IniFile::cutValue(*value));
}

void WriteIni(const QString& section, const QString& key, const QString& value, const QString& path)
{
    // An existing file that cannot be read is never replaced: that would lose its contents.
    const std::optional<QByteArray> file = loadFile(path);
    if (!file)
        return;
    const QByteArray updated = IniFile::writeValue(*file, GbkCodec::encode(section),
                                                   GbkCodec::encode(key), GbkCodec::encode(value));
    if (updated == *file)
        return;
    AtomicFileWriter::write(path, updated);
}

QString AppDir()
{
    QString dir =
        appDirOverride().isEmpty() ? QCoreApplication::applicationDirPath() : appDirOverride();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

QString ConfigPath()
{
    return AppDir() + QStringLiteral("config.ini");
}

void setAppDirForTesting(const QString& dir)
{
    appDirOverride() = dir;
}
