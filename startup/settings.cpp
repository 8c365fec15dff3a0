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

std::optional<MemberFolders>& memberFolders()
{
    static std::optional<MemberFolders> folders;
    return folders;
}

// The bytes of the settings file. Large files are mapped rather than copied: a hand-made file
// of tens of megabytes is then read in a few milliseconds instead of being copied on every
// read.
class FileBytes
{
public:
    // ok() is false when the file exists but cannot be read (a folder, a device, unreadable,
    // too large); a missing file is ok() and empty.
    explicit FileBytes(const QString& path) : file_(path)
    {
        const QFileInfo info(path);
        if (!info.exists()) {
            ok_ = true;
            return;
        }
        if (!info.isFile() || info.size() > kMaxFileBytes || !file_.open(QIODevice::ReadOnly))
            return;
        const qint64 size = file_.size();
        if (size > kMapThreshold) {
            if (const uchar* p = file_.map(0, size)) {
                view_ = QByteArrayView(reinterpret_cast<const char*>(p), size);
                ok_ = true;
                return;
            }
        }
        copy_ = file_.readAll();
        ok_ = file_.error() == QFileDevice::NoError;
        view_ = copy_;
    }
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    bool ok() const { return ok_; }
    QByteArrayView bytes() const { return view_; }

private:
    static constexpr qint64 kMapThreshold = 1024 * 1024;
    QFile file_; // keeps a mapping alive; closing it unmaps
    QByteArray copy_;
    QByteArrayView view_;
    bool ok_ = false;
};

} // namespace

QString ReadIni(const QString& section, const QString& key, const QString& path)
{
    const FileBytes file(path);
    if (!file.ok() || file.bytes().isEmpty())
        return {};
    const std::optional<QByteArray> value =
        IniFile::readValue(file.bytes(), GbkCodec::encode(section), GbkCodec::encode(key));
    if (!value)
        return {};
    return GbkCodec::decode(IniFile::cutValue(*value));
}

bool WriteIni(const QString& section, const QString& key, const QString& value, const QString& path)
{
    const QByteArray s = GbkCodec::encode(section);
    const QByteArray k = GbkCodec::encode(key);
    const QByteArray v = GbkCodec::encode(value);
    const AtomicFileWriter::Result result = AtomicFileWriter::update(
        path, kMaxFileBytes, [&](QByteArrayView current) -> std::optional<QByteArray> {
            QByteArray updated = IniFile::writeValue(current, s, k, v);
            if (updated == current)
                return std::nullopt;
            return updated;
        });
    return result != AtomicFileWriter::Result::Failed;
}

QString ReadIni(const SettingKey& setting)
{
    return ReadIni(setting.section, setting.key, ConfigPath());
}

bool WriteIni(const SettingKey& setting, const QString& value)
{
    return WriteIni(setting.section, setting.key, value, ConfigPath());
}

QString AppDir()
{
    QString dir =
        appDirOverride().isEmpty() ? QCoreApplication::applicationDirPath() : appDirOverride();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

const MemberFolders& Member()
{
    std::optional<MemberFolders>& folders = memberFolders();
    if (!folders) {
        folders = MemberFolders::forProgramDir(AppDir());
        folders->create();
    }
    return *folders;
}

QString ConfigPath()
{
    return Member().settingsDir() + QStringLiteral("config.ini");
}

QString SoundPath(const QString& fileName)
{
    if (!Member().portable()) {
        const QString own = Member().settingsDir() + fileName;
        if (QFileInfo(own).isFile())
            return own;
    }
    return AppDir() + fileName;
}

void setAppDirForTesting(const QString& dir)
{
    appDirOverride() = dir;
    memberFolders().reset();
}

void setMemberFoldersForTesting(const std::optional<MemberFolders>& folders)
{
    memberFolders() = folders;
}
