// ReadIni / WriteIni on real files: encoding, atomic replacement, damaged and huge files.
#include "startup/atomicfilewriter.h"
#include "startup/settings.h"
#include "support/programfolder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace
{

class SettingsFile : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(folder_.isValid()); }
    QByteArray bytes() const { return folder_.config(); }
    void put(const QByteArray& content) const { folder_.writeConfig(content); }
    QString read(const char* section, const char* key) const { return folder_.read(section, key); }
    static void write(const char* section, const char* key, const QString& value)
    {
        WriteIni(QLatin1String(section), QLatin1String(key), value, ConfigPath());
    }

    ProgramFolder folder_;
};

TEST_F(SettingsFile, appDirEndsInOneSlash)
{
    EXPECT_EQ(AppDir(), folder_.path() + QLatin1Char('/'));
    setAppDirForTesting(folder_.path() + QLatin1Char('/'));
    EXPECT_EQ(AppDir(), folder_.path() + QLatin1Char('/'));
    EXPECT_EQ(ConfigPath(), folder_.path() + QStringLiteral("/config.ini"));
    setAppDirForTesting(QStringLiteral("/"));
    // A program folder at the root that the member may write into (a member may not write into
    // "/" itself; that decision is tested in memberfolders_test.cpp).
    setMemberFoldersForTesting(MemberFolders::decide(QStringLiteral("/"), true, {}));
    EXPECT_EQ(ConfigPath(), QStringLiteral("/config.ini"));
}

TEST_F(SettingsFile, missingFileReadsEmptyAndFirstWriteCreatesIt)
{
    EXPECT_EQ(read("config", "xianlu"), QString());
    EXPECT_FALSE(QFile::exists(ConfigPath()));
    write("config", "zvgs", QStringLiteral("1"));
    EXPECT_EQ(bytes(), QByteArray("[config]\r\nzvgs=1\r\n"));
    struct stat st {
    };
    ASSERT_EQ(::stat(QFile::encodeName(ConfigPath()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_FALSE(QFile::exists(ConfigPath() + QStringLiteral(".new")));
}

TEST_F(SettingsFile, replacingKeepsPermissionBits)
{
    put("[config]\r\nzvgs=1\r\n");
    QFile::setPermissions(ConfigPath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    write("config", "zvgs", QStringLiteral("0"));
    struct stat st {
    };
    ASSERT_EQ(::stat(QFile::encodeName(ConfigPath()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(read("config", "zvgs"), QStringLiteral("0"));
}

TEST_F(SettingsFile, chineseUserNameIsStoredInGbkAndReadBack)
{
    write("mima", "user", QStringLiteral("张三"));
    EXPECT_EQ(bytes(), QByteArray("[mima]\r\nuser=\xd5\xc5\xc8\xfd\r\n"));
    EXPECT_EQ(read("mima", "user"), QStringLiteral("张三"));
    // Outside GBK: replaced, as the system conversion does.
    write("mima", "user", QStringLiteral("한"));
    EXPECT_EQ(read("mima", "user"), QStringLiteral("?"));
}

TEST_F(SettingsFile, passwordWithBlanksOrQuotesReadsBackAsTyped)
{
    for (const QString& pass : {QStringLiteral(" 密码 "), QStringLiteral("\"x\""),
                                QStringLiteral("'y'"), QStringLiteral("a b")}) {
        write("mima", "pass", pass);
        EXPECT_EQ(read("mima", "pass"), pass);
    }
}

TEST_F(SettingsFile, emptyValueReadsLikeAbsentKey)
{
    write("mima", "user", QString());
    EXPECT_EQ(bytes(), QByteArray("[mima]\r\nuser=\r\n"));
    EXPECT_EQ(read("mima", "user"), QString());
}

TEST_F(SettingsFile, valuesAreCutTo1024BytesOnReading)
{
    write("mima", "pass", QString(1024, QLatin1Char('a')));
    EXPECT_EQ(read("mima", "pass"), QString(1024, QLatin1Char('a')));
    write("mima", "pass", QString(1500, QLatin1Char('b')));
    EXPECT_EQ(read("mima", "pass"), QString(1024, QLatin1Char('b')));
    EXPECT_TRUE(bytes().contains(QByteArray(1500, 'b'))); // the file keeps it whole
    // 700 Chinese characters are 1400 bytes: 512 whole characters come back.
    write("mima", "pass", QString(700, QChar(0x4E2D)));
    EXPECT_EQ(read("mima", "pass"), QString(512, QChar(0x4E2D)));
}

TEST_F(SettingsFile, writeFailingBeforeRenameKeepsOldFile)
{
    put("; hand-written\r\n[config]\r\nzvgs=1\r\n");
    const QByteArray before = bytes();
    {
        FailingRenames failing;
        write("config", "zvgs", QStringLiteral("0"));
        write("mima", "pass", QStringLiteral("secret"));
        EXPECT_EQ(bytes(), before);
        EXPECT_EQ(read("config", "zvgs"), QStringLiteral("1"));
    }
    // A temporary file left by the interrupted write does not get in the way of the next one.
    write("config", "zvgs", QStringLiteral("0"));
    EXPECT_EQ(bytes(), QByteArray("; hand-written\r\n[config]\r\nzvgs=0\r\n"));
}

TEST_F(SettingsFile, unwritableFolderFailsSilently)
{
    put("[config]\r\nzvgs=1\r\n");
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only folders";
    QFile::setPermissions(folder_.path(), QFile::ReadOwner | QFile::ExeOwner);
    write("config", "zvgs", QStringLiteral("0"));
    QFile::setPermissions(folder_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_EQ(read("config", "zvgs"), QStringLiteral("1"));
}

TEST_F(SettingsFile, settingsPathThatIsAFolderIsLeftAlone)
{
    ASSERT_TRUE(QDir(folder_.path()).mkdir(QStringLiteral("config.ini")));
    EXPECT_EQ(read("config", "zvgs"), QString());
    write("config", "zvgs", QStringLiteral("1"));
    EXPECT_TRUE(QFileInfo(ConfigPath()).isDir());
}

TEST_F(SettingsFile, symlinkedSettingsFileIsWrittenThrough)
{
    const QString real = folder_.filePath(QStringLiteral("real.ini"));
    {
        QFile f(real);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[config]\r\nzvgs=1\r\n");
    }
    ASSERT_TRUE(QFile::link(real, ConfigPath()));
    write("config", "zvgs", QStringLiteral("0"));
    EXPECT_TRUE(QFileInfo(ConfigPath()).isSymLink());
    EXPECT_EQ(read("config", "zvgs"), QStringLiteral("0"));
}

TEST_F(SettingsFile, invalidGbkFileKeepsReadableKeys)
{
    put("\xff\xfe\x81\r\n[config]\r\n\x81\x20=\xff\r\nxianlu=2\r\n[mima]\r\nuser=\xd5\xc5\xff\r\n");
    EXPECT_EQ(read("config", "xianlu"), QStringLiteral("2"));
    EXPECT_EQ(read("mima", "user"), QStringLiteral("张") + QChar(0xFFFD));
    write("config", "xianlu", QStringLiteral("1"));
    EXPECT_EQ(read("config", "xianlu"), QStringLiteral("1"));
    EXPECT_TRUE(bytes().startsWith("\xff\xfe\x81\r\n[config]\r\n\x81\x20=\xff\r\n"));
}

TEST_F(SettingsFile, fiftyMegabyteFileIsReadWellUnderASecond)
{
    // 50 MB of hand-edited junk lines ahead of the real sections.
    QByteArray junk;
    junk.reserve(50 * 1024 * 1024 + 64);
    const QByteArray line = "junk line without an equals sign, only words and words\r\n";
    while (junk.size() < 50 * 1024 * 1024)
        junk.append(line);
    put(junk + "[config]\r\nxianlu=3\r\n");

    QElapsedTimer timer;
    timer.start();
    const QString value = read("config", "xianlu");
    const qint64 readMs = timer.elapsed();
    EXPECT_EQ(value, QStringLiteral("3"));
    EXPECT_LT(readMs, 1000);
    RecordProperty("read_ms", static_cast<int>(readMs));

    timer.restart();
    write("config", "xianlu", QStringLiteral("1"));
    RecordProperty("write_ms", static_cast<int>(timer.elapsed()));
    EXPECT_EQ(read("config", "xianlu"), QStringLiteral("1"));
}

TEST_F(SettingsFile, fiftyMegabytesOfKeysAheadOfTheOneWantedAreReadUnderASecond)
{
    QByteArray keys = "[config]\r\n";
    keys.reserve(50 * 1024 * 1024 + 64);
    const QByteArray line = "Filler=a value that is long enough to make the file large\r\n";
    while (keys.size() < 50 * 1024 * 1024)
        keys.append(line);
    put(keys + "xianlu=2\r\n");
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(read("config", "xianlu"), QStringLiteral("2"));
    EXPECT_LT(timer.elapsed(), 1000);
    RecordProperty("read_ms", static_cast<int>(timer.elapsed()));
}

} // namespace
