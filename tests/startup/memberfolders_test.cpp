// Where a member's files go: beside a program folder the member may write into, else into the
// member's own XDG folders; the settings, sounds and temporary folder follow that one decision.
#include "startup/memberfolders.h"
#include "startup/settings.h"
#include "support/programfolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

using Env = MemberFolders::Environment;

TEST(MemberFoldersRule, writableProgramFolderKeepsEverythingBesideTheProgram)
{
    const MemberFolders f = MemberFolders::decide(QStringLiteral("/opt/zvkb/"), true,
                                                  Env{"/x/config", "/x/cache", "/home/m"});
    EXPECT_TRUE(f.portable());
    EXPECT_EQ(f.settingsDir(), QStringLiteral("/opt/zvkb/"));
    EXPECT_EQ(f.datDir(), QStringLiteral("/opt/zvkb/dat/"));
}

TEST(MemberFoldersRule, unwritableProgramFolderUsesTheMembersXdgFolders)
{
    struct Case {
        Env env;
        const char* settings;
        const char* dat;
    };
    const Case cases[] = {
        {{"/x/config", "/x/cache/", "/home/m"}, "/x/config/zvkb/", "/x/cache/zvkb/dat/"},
        {{"", "", "/home/m"}, "/home/m/.config/zvkb/", "/home/m/.cache/zvkb/dat/"},
        // Relative XDG paths are not to be used.
        {{"rel/config", "./cache", "/home/m/"},
         "/home/m/.config/zvkb/",
         "/home/m/.cache/zvkb/dat/"},
        {{"", "/x/cache", "/home/成员 m"}, "/home/成员 m/.config/zvkb/", "/x/cache/zvkb/dat/"},
    };
    for (const Case& c : cases) {
        const MemberFolders f =
            MemberFolders::decide(QStringLiteral("/usr/lib/zvkb/"), false, c.env);
        EXPECT_FALSE(f.portable());
        EXPECT_EQ(f.settingsDir(), QString::fromUtf8(c.settings)) << c.env.configHome.toStdString();
        EXPECT_EQ(f.datDir(), QString::fromUtf8(c.dat)) << c.env.cacheHome.toStdString();
    }
}

TEST(MemberFoldersRule, portableOnlyWhenTheProgramFolderIsTheMembersOwn)
{
    constexpr uint member = 1000, group = 1000, root = 0, staff = 50;
    using F = MemberFolders::FolderFacts;
    const struct {
        const char* name;
        F folder;
        uint uid;
        bool portable;
    } cases[] = {
        {"own folder", {"/home/m/zvkb", true, member, group, 0755, true}, member, true},
        {"own, private group may write",
         {"/home/m/zvkb", true, member, group, 0775, true},
         member,
         true},
        {"own but read-only", {"/home/m/zvkb", true, member, group, 0555, false}, member, false},
        {"shared group folder", {"/opt/zvkb", true, root, staff, 02775, true}, member, false},
        {"own, a shared group may write",
         {"/opt/zvkb", true, member, staff, 0775, true},
         member,
         false},
        {"own, everyone may write",
         {"/media/usb/zvkb", true, member, group, 0777, true},
         member,
         false},
        {"sticky like /tmp", {"/tmp", true, member, group, 01777, true}, member, false},
        {"someone else's, writable", {"/srv/zvkb", true, 1001, 1001, 0777, true}, member, false},
        {"the package's, for root", {"/usr/lib/zvkb", true, root, root, 0755, true}, root, false},
        {"root's copy under /usr/local",
         {"/usr/local/zvkb/", true, root, root, 0755, true},
         root,
         false},
        {"root's own copy", {"/root/zvkb", true, root, root, 0755, true}, root, true},
        {"a folder named like /usr",
         {"/usrdata/zvkb", true, member, group, 0755, true},
         member,
         true},
        {"gone", {"/home/m/zvkb", false, member, group, 0755, true}, member, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MemberFolders::isPortable(c.folder, c.uid, group), c.portable) << c.name;
}

// A program folder set up as a shared installation: the member's folders live in a home of the
// test's own. (Whether the folder is writable is the rule's input; the real test of that runs as
// an unprivileged member below.)
class MemberInstall : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(program_.isValid());
        ASSERT_TRUE(home_.isValid());
        setMemberFoldersForTesting(MemberFolders::decide(
            program_.path() + QLatin1Char('/'), false,
            Env{home_.filePath(QStringLiteral("cfg")), QString(), home_.path()}));
    }
    QString programFile(const char* name) const { return program_.filePath(QLatin1String(name)); }
    QString memberFile(const char* name) const
    {
        return home_.filePath(QStringLiteral("cfg/zvkb/") + QLatin1String(name));
    }
    static void touch(const QString& path)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    }

    ProgramFolder program_;
    QTemporaryDir home_;
};

TEST_F(MemberInstall, settingsGoToTheMembersOwnFolderInTheSameFormat)
{
    Member().create();
    EXPECT_EQ(modeOf(home_.filePath(QStringLiteral("cfg"))), 0700u);
    EXPECT_EQ(modeOf(memberFile("")), 0700u);
    EXPECT_EQ(modeOf(home_.filePath(QStringLiteral(".cache/zvkb/dat"))), 0700u);

    // Nothing comes over from the program's folder: a new member starts from the defaults.
    QFile program(programFile("config.ini"));
    ASSERT_TRUE(program.open(QIODevice::WriteOnly));
    program.write("[config]\r\nshengyin=0\r\n");
    program.close();
    EXPECT_EQ(ReadIni(Setting::shengyin), QString());

    WriteIni(Setting::user, QStringLiteral("张三"));
    EXPECT_EQ(ConfigPath(), memberFile("config.ini"));
    QFile member(memberFile("config.ini"));
    ASSERT_TRUE(member.open(QIODevice::ReadOnly));
    EXPECT_EQ(member.readAll(), QByteArray("[mima]\r\nuser=\xd5\xc5\xc8\xfd\r\n"));
    EXPECT_EQ(modeOf(memberFile("config.ini")), 0600u);
    EXPECT_EQ(QDir(program_.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
              QStringList{QStringLiteral("config.ini")});
}

TEST_F(MemberInstall, membersOwnSoundsReplaceTheProgramsFileByFile)
{
    Member().create();
    for (const char* name : {"ts.wav", "ts1.wav", "ts2.wav"})
        touch(programFile(name));
    touch(memberFile("ts1.wav"));
    ASSERT_TRUE(QDir().mkdir(memberFile("ts2.wav"))); // a folder is no sound
    EXPECT_EQ(SoundPath(QStringLiteral("ts.wav")), programFile("ts.wav"));
    EXPECT_EQ(SoundPath(QStringLiteral("ts1.wav")), memberFile("ts1.wav"));
    EXPECT_EQ(SoundPath(QStringLiteral("ts2.wav")), programFile("ts2.wav"));
}

TEST(MemberFoldersPortable, programFolderKeepsItsFilesAndItsSounds)
{
    ProgramFolder folder;
    EXPECT_TRUE(Member().portable());
    EXPECT_EQ(ConfigPath(), folder.filePath(QStringLiteral("config.ini")));
    EXPECT_EQ(Member().datDir(), folder.filePath(QStringLiteral("dat/")));
    EXPECT_EQ(SoundPath(QStringLiteral("ts.wav")), folder.filePath(QStringLiteral("ts.wav")));
}

// Writability is asked as the member. Root may write nearly anywhere, so as root the question
// goes to a child of this program running as nobody (65534), in a group of its own (50) as well.
constexpr const char* kChildDirs = "ZV_TEST_MEMBER_DIRS";
constexpr gid_t kSharedGroup = 50; // a group the member is in, as staff is on Debian

TEST(MemberFoldersChild, reportsWritability)
{
    const QStringList dirs = qEnvironmentVariable(kChildDirs).split(QLatin1Char(':'));
    if (dirs.value(0).isEmpty())
        GTEST_SKIP() << "only runs as a child of the writability test";
    for (const QString& dir : dirs)
        fprintf(stdout, "\nDIR %s %s\n", MemberFolders::writableByMember(dir) ? "writable" : "shut",
                MemberFolders::forProgramDir(dir + QLatin1Char('/')).portable() ? "portable"
                                                                                : "members");
    fflush(stdout);
    _exit(0); // the verdict is all this child is for
}

TEST(MemberFoldersWritable, askedAsTheMemberAndPortableOnlyWhenTheMembersOwn)
{
    QTemporaryDir base;
    ASSERT_TRUE(base.isValid());
    const bool root = ::geteuid() == 0;
    const uid_t member = root ? 65534 : ::geteuid();
    const gid_t group = root ? 65534 : ::getegid();
    struct Dir {
        const char* name;
        mode_t mode;
        bool members;
        gid_t group;
        const char* verdict;
    };
    const Dir dirs[] = {
        {"open", 0777, false, 0, "writable members"},
        {"shut", 0555, false, 0, "shut members"},
        // The member owns this one, but it is read-only: owning is not writing.
        {"mine-ro", 0555, true, group, "shut members"},
        {"mine", 0755, true, group, "writable portable"},
        // An installation for a group (a group-writable /opt/zvkb): every member could write,
        // none of them owns it.
        {"group", 02775, false, kSharedGroup, "writable members"},
    };
    ASSERT_EQ(::chmod(QFile::encodeName(base.path()).constData(), 0711), 0);
    QStringList paths;
    for (const Dir& d : dirs) {
        const QString path = base.filePath(QLatin1String(d.name));
        paths.append(path);
        ASSERT_TRUE(QDir().mkdir(path));
        const QByteArray name = QFile::encodeName(path);
        if (root) {
            ASSERT_EQ(::chown(name.constData(), d.members ? member : 0, d.group), 0);
        }
        ASSERT_EQ(::chmod(name.constData(), d.mode), 0);
    }

    // The member may not reach the build tree (a clone in root's home): the child is a copy of
    // this program beside the folders.
    const QString probe = base.filePath(QStringLiteral("probe"));
    ASSERT_TRUE(QFile::copy(QCoreApplication::applicationFilePath(), probe));
    ASSERT_EQ(::chmod(QFile::encodeName(probe).constData(), 0755), 0);

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QLatin1String(kChildDirs), paths.join(QLatin1Char(':')));
    env.insert(QStringLiteral("HOME"), base.path());
    env.remove(QStringLiteral("LSAN_OPTIONS")); // its suppressions file may be out of reach too
    child.setProcessEnvironment(env);
    if (root) {
        child.setChildProcessModifier([member, group] {
            const gid_t groups[] = {kSharedGroup};
            if (::setgroups(1, groups) != 0 || ::setgid(group) != 0 || ::setuid(member) != 0)
                ::_exit(126);
        });
    }
    child.start(probe, {QStringLiteral("--gtest_filter=MemberFoldersChild.reportsWritability")});
    ASSERT_TRUE(child.waitForFinished(20000));
    ASSERT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();
    QList<QByteArray> out;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        if (line.startsWith("DIR "))
            out.append(line.mid(4));
    }
    ASSERT_EQ(out.size(), std::size(dirs)) << out.join('\n').toStdString();
    for (size_t i = 0; i < std::size(dirs); ++i) {
        if (!root && i == 4)
            continue; // without root the folder cannot be given to another group
        EXPECT_EQ(out[i], QByteArray(dirs[i].verdict)) << dirs[i].name;
    }
    if (root) {
        EXPECT_TRUE(MemberFolders::writableByMember(paths[1])); // why the child is needed
    }
}

} // namespace
