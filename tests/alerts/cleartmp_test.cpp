// Emptying the "dat" folder beside the program at start-up.
#include "alerts/cleartmp.h"
#include "startup/settings.h"
#include "support/programfolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

void touch(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write("x");
}

class ClearTmpFolder : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }
    QString path(const char* rel) const { return folder.filePath(QString::fromUtf8(rel)); }
    ProgramFolder folder;
};

TEST_F(ClearTmpFolder, deletesOnlyTheFilesInDat)
{
    QDir(folder.path()).mkpath(QStringLiteral("dat/sub"));
    touch(path("dat/a.htm"));
    touch(path("dat/noextension"));
    touch(path("dat/.hidden"));
    touch(path("dat/sub/inner.txt"));
    touch(path("config.ini"));
    touch(path("ts.wav"));

    ClearTmp();

    EXPECT_EQ(QDir(path("dat")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("sub")});
    EXPECT_TRUE(QFile::exists(path("dat/sub/inner.txt")));
    EXPECT_TRUE(QFile::exists(path("config.ini")));
    EXPECT_TRUE(QFile::exists(path("ts.wav")));
}

TEST_F(ClearTmpFolder, linksGoButNotWhatTheyPointAt)
{
    QDir(folder.path()).mkpath(QStringLiteral("dat"));
    QDir(folder.path()).mkpath(QStringLiteral("elsewhere"));
    touch(path("elsewhere/precious.txt"));
    ASSERT_TRUE(QFile::link(path("elsewhere/precious.txt"), path("dat/link.txt")));
    ASSERT_TRUE(QFile::link(path("elsewhere"), path("dat/linkdir")));
    ASSERT_TRUE(QFile::link(path("gone"), path("dat/broken")));

    ClearTmp();

    EXPECT_TRUE(QFile::exists(path("elsewhere/precious.txt")));
    EXPECT_FALSE(QFileInfo(path("dat/link.txt")).isSymLink());
    EXPECT_FALSE(QFileInfo(path("dat/broken")).isSymLink());
    EXPECT_TRUE(QFileInfo(path("dat/linkdir")).isSymLink());
}

TEST_F(ClearTmpFolder, datThatIsALinkIsLeftAlone)
{
    QDir(folder.path()).mkpath(QStringLiteral("elsewhere"));
    touch(path("elsewhere/precious.txt"));
    ASSERT_TRUE(QFile::link(path("elsewhere"), path("dat")));
    ClearTmp();
    EXPECT_TRUE(QFile::exists(path("elsewhere/precious.txt")));
}

TEST_F(ClearTmpFolder, missingOrFileDatIsNoError)
{
    ClearTmp();
    EXPECT_FALSE(QFile::exists(path("dat")));
    touch(path("dat"));
    ClearTmp();
    EXPECT_TRUE(QFile::exists(path("dat")));
}

TEST(ClearTmpMember, emptiesTheMembersDatAndLeavesTheProgramsAlone)
{
    ProgramFolder program;
    QTemporaryDir cache;
    ASSERT_TRUE(cache.isValid());
    setMemberFoldersForTesting(
        MemberFolders::decide(program.path(), false, {QString(), cache.path(), cache.path()}));
    QDir(program.path()).mkpath(QStringLiteral("dat"));
    touch(program.filePath(QStringLiteral("dat/shared.htm")));
    Member().create();
    touch(cache.filePath(QStringLiteral("zvkb/dat/mine.htm")));

    ClearTmp();

    EXPECT_FALSE(QFile::exists(cache.filePath(QStringLiteral("zvkb/dat/mine.htm"))));
    EXPECT_TRUE(QFile::exists(program.filePath(QStringLiteral("dat/shared.htm"))));
}

} // namespace
