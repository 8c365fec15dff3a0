// ReadIni / WriteIni on real files: encoding, atomic replacement, damaged and huge files, links,
// a file system that fails a call, and two writers at once.
#include "startup/atomicfilewriter.h"
#include "startup/settings.h"
#include "support/faultyfiles.h"
#include "support/nobody.h"
#include "support/programfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

// The read times below are bounds of the program as it ships. The sanitizer tree's checks slow
// every memory access (and clang 15 on every stack frame too): there they measure the checks.
#ifdef ZV_SANITIZE
constexpr bool TimedAsShipped = false;
#else
constexpr bool TimedAsShipped = true;
#endif

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
    struct stat st = {};
    ASSERT_EQ(::stat(QFile::encodeName(ConfigPath()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_FALSE(QFile::exists(ConfigPath() + QStringLiteral(".new")));
}

TEST_F(SettingsFile, writtenFileIsTheOwnersOnlyWhateverItsModeWas)
{
    // A file made by hand or copied in, readable by the group or by everyone: the password
    // written into it must not stay readable for them.
    for (const mode_t before : {mode_t(0640), mode_t(0644), mode_t(0666), mode_t(0600)}) {
        put("[config]\r\nzvgs=1\r\n");
        ASSERT_EQ(::chmod(QFile::encodeName(ConfigPath()).constData(), before), 0);
        write("mima", "pass", QStringLiteral("secret"));
        EXPECT_EQ(modeOf(ConfigPath()), 0600u) << std::oct << before;
        EXPECT_EQ(read("mima", "pass"), QStringLiteral("secret"));
        EXPECT_EQ(read("config", "zvgs"), QStringLiteral("1"));
    }
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
    // Temporary files left by interrupted writes do not get in the way of the next one, and it
    // takes them away.
    write("config", "zvgs", QStringLiteral("0"));
    EXPECT_EQ(bytes(), QByteArray("; hand-written\r\n[config]\r\nzvgs=0\r\n"));
    EXPECT_EQ(QDir(folder_.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{QStringLiteral(".config.ini.lock"), QStringLiteral("config.ini")}));
}

TEST_F(SettingsFile, aFileSystemThatFailsOneCallLosesNothing)
{
    // An NFS or sshfs home answers one call with an error: the file is still there, and a write
    // that cannot read it must not replace it with a file of one key.
    put("[config]\r\nzvgs=1\r\nxianlu=2\r\n[mima]\r\nmima=1\r\nuser=u\r\npass=p\r\n");
    const QByteArray before = bytes();
    const QByteArray name = QFile::encodeName(ConfigPath());
    for (const FaultyFiles::Call call : {FaultyFiles::Call::Lookup, FaultyFiles::Call::Open}) {
        for (const int error : {EIO, EACCES, ESTALE, ENOMEM}) {
            const int kind = static_cast<int>(call);
            FaultyFiles::failNext(call, name, 1, error);
            EXPECT_FALSE(WriteIni(QStringLiteral("config"), QStringLiteral("zvgs"),
                                  QStringLiteral("0"), ConfigPath()))
                << kind << " " << error;
            EXPECT_EQ(FaultyFiles::pending(), 0) << kind << ": the call did not come";
            FaultyFiles::clear();
            EXPECT_EQ(bytes(), before) << kind << " " << error;
        }
    }
    // Once the file system answers again, the write goes in and keeps the rest.
    EXPECT_TRUE(WriteIni(QStringLiteral("config"), QStringLiteral("zvgs"), QStringLiteral("0"),
                         ConfigPath()));
    EXPECT_EQ(read("config", "zvgs"), QStringLiteral("0"));
    EXPECT_EQ(read("mima", "pass"), QStringLiteral("p"));
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

TEST_F(SettingsFile, aChainOfLinksIsFollowedToItsEndAndStays)
{
    // config.ini -> b -> c: the file at the end takes the write; both links stay links.
    const QString b = folder_.filePath(QStringLiteral("b"));
    const QString c = folder_.filePath(QStringLiteral("sub/c"));
    ASSERT_TRUE(QDir(folder_.path()).mkdir(QStringLiteral("sub")));
    {
        QFile f(c);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[config]\r\nzvgs=1\r\n");
    }
    ASSERT_TRUE(QFile::link(QStringLiteral("sub/c"), b)); // relative, as people write them
    ASSERT_TRUE(QFile::link(b, ConfigPath()));
    write("config", "zvgs", QStringLiteral("0"));
    EXPECT_TRUE(QFileInfo(ConfigPath()).isSymLink());
    EXPECT_TRUE(QFileInfo(b).isSymLink());
    QFile f(c);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("[config]\r\nzvgs=0\r\n"));
    EXPECT_EQ(read("config", "zvgs"), QStringLiteral("0"));

    // A loop is no file to write.
    ASSERT_TRUE(QFile::remove(ConfigPath()));
    ASSERT_TRUE(QFile::link(folder_.filePath(QStringLiteral("loop")), ConfigPath()));
    ASSERT_TRUE(QFile::link(ConfigPath(), folder_.filePath(QStringLiteral("loop"))));
    EXPECT_FALSE(WriteIni(QStringLiteral("config"), QStringLiteral("zvgs"), QStringLiteral("1"),
                          ConfigPath()));
    EXPECT_TRUE(QFileInfo(ConfigPath()).isSymLink());
}

TEST_F(SettingsFile, anotherUsersLinkInAStickyFolderIsNotFollowed)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "planting another user's link needs root";
    // A folder everyone may write into, like /tmp, where user 65534 planted config.ini as a
    // link to a file of its own: the kernel would not follow that link for us, and neither may
    // the writer, or the member's password lands in the other user's file.
    const QString shared = folder_.filePath(QStringLiteral("shared"));
    ASSERT_TRUE(QDir().mkdir(shared));
    ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 01777), 0);
    const QString planted = shared + QStringLiteral("/planted");
    const QString link = shared + QStringLiteral("/config.ini");
    {
        QFile f(planted);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[mima]\r\n");
    }
    ASSERT_EQ(::chown(QFile::encodeName(planted).constData(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(planted).constData(), 0666), 0);
    ASSERT_TRUE(QFile::link(planted, link));
    ASSERT_EQ(::lchown(QFile::encodeName(link).constData(), 65534, 65534), 0);

    EXPECT_FALSE(
        WriteIni(QStringLiteral("mima"), QStringLiteral("pass"), QStringLiteral("secret"), link));
    QFile f(planted);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("[mima]\r\n"));

    // The member's own link there is followed, as the kernel would.
    ASSERT_TRUE(QFile::remove(link));
    ASSERT_TRUE(QFile::link(folder_.filePath(QStringLiteral("mine.ini")), link));
    EXPECT_TRUE(
        WriteIni(QStringLiteral("mima"), QStringLiteral("pass"), QStringLiteral("secret"), link));
    EXPECT_EQ(ReadIni(QStringLiteral("mima"), QStringLiteral("pass"),
                      folder_.filePath(QStringLiteral("mine.ini"))),
              QStringLiteral("secret"));
    // A file of the member's in that folder is written under a lock on itself: no lock file is
    // made where another user could have made one first.
    EXPECT_TRUE(WriteIni(QStringLiteral("mima"), QStringLiteral("pass"), QStringLiteral("secret"),
                         shared + QStringLiteral("/own.ini")));
    EXPECT_FALSE(QFile::exists(shared + QStringLiteral("/.own.ini.lock")));
}

// Starts a process of another user that holds a lock (flock) on path until it is killed, as
// `flock <path> sleep 600` would; whether it holds it.
bool anotherUserHolds(QProcess& other, const QByteArray& path)
{
    runAsNobody(other, [path] {
        const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK);
        return fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0; // kept by the program it runs
    });
    other.start(QStringLiteral("sleep"), {QStringLiteral("600")});
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    const bool held = other.waitForStarted(10000) && fd >= 0 &&
                      ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

TEST_F(SettingsFile, anotherUserCanHoldNoWriteUp)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "another user's process needs root to start";
    // A portable folder that others may read (the portable rule only forbids others to write),
    // which another user locks.
    put("[config]\r\nshengyin=1\r\n");
    ASSERT_EQ(::chmod(QFile::encodeName(folder_.path()).constData(), 0755), 0);
    QProcess other;
    ASSERT_TRUE(anotherUserHolds(other, QFile::encodeName(folder_.path())));
    // The member's write goes in at once; the lock it takes, the other may not even open.
    EXPECT_TRUE(WriteIni(QStringLiteral("config"), QStringLiteral("shengyin"), QStringLiteral("0"),
                         ConfigPath()));
    EXPECT_EQ(read("config", "shengyin"), QStringLiteral("0"));
    EXPECT_EQ(modeOf(folder_.filePath(QStringLiteral(".config.ini.lock"))), 0600u);
    other.kill();
    other.waitForFinished(10000);
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
    if (TimedAsShipped) {
        EXPECT_LT(readMs, 1000);
    }
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
    if (TimedAsShipped) {
        EXPECT_LT(timer.elapsed(), 1000);
    }
    RecordProperty("read_ms", static_cast<int>(timer.elapsed()));
}

// Two copies writing one file at once (two programs of one member, or a copy started beside the
// running one): each writes its own key again and again and reads it back after every write.
constexpr const char* kWriterChild = "ZV_TEST_SETTINGS_WRITER";
constexpr int kWrites = 150;

TEST(SettingsWriterChild, writesOnRequest)
{
    const QStringList job = qEnvironmentVariable(kWriterChild).split(QLatin1Char('|'));
    if (job.size() != 2)
        GTEST_SKIP() << "only runs as a child of the two-writers test";
    int lost = 0;
    for (int i = 0; i < kWrites; ++i) {
        WriteIni(QStringLiteral("config"), job[1], QString::number(i), job[0]);
        if (ReadIni(QStringLiteral("config"), job[1], job[0]) != QString::number(i))
            ++lost;
    }
    fprintf(stdout, "\nLOST %d\n", lost);
    fflush(stdout);
    _exit(0);
}

TEST(SettingsWriters, twoWritersAtOnceKeepBothKeys)
{
    ProgramFolder folder;
    folder.writeConfig("[mima]\r\nuser=u\r\npass=p\r\n");
    QProcess writers[2];
    const char* keys[2] = {"zvgs", "smnc"};
    for (int w = 0; w < 2; ++w) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QLatin1String(kWriterChild),
                   ConfigPath() + QLatin1Char('|') + QLatin1String(keys[w]));
        writers[w].setProcessEnvironment(env);
        writers[w].start(QCoreApplication::applicationFilePath(),
                         {QStringLiteral("--gtest_filter=SettingsWriterChild.writesOnRequest")});
    }
    for (QProcess& p : writers) {
        ASSERT_TRUE(p.waitForFinished(120000));
        const QByteArray out = p.readAllStandardOutput();
        EXPECT_TRUE(out.contains("\nLOST 0\n")) << out.toStdString();
    }
    const QString last = QString::number(kWrites - 1);
    EXPECT_EQ(folder.read("config", "zvgs"), last);
    EXPECT_EQ(folder.read("config", "smnc"), last);
    EXPECT_EQ(folder.read("mima", "pass"), QStringLiteral("p"));
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
              (QStringList{QStringLiteral(".config.ini.lock"), QStringLiteral("config.ini")}));
}

} // namespace
