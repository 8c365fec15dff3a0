#include "startup/memberfolders.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

QString withSlash(QString dir)
{
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

// $XDG_..._HOME when it is an absolute path (the rules say to ignore a relative one), else the
// fallback below home.
QString baseDir(const QString& xdg, const QString& home, const char* fallback)
{
    if (xdg.startsWith(QLatin1Char('/')))
        return withSlash(QDir::cleanPath(xdg));
    return withSlash(QDir::cleanPath(home + QLatin1Char('/') + QLatin1String(fallback)));
}

// mkdir -p, every folder it makes 0700 as the XDG rules ask.
void makePath(const QString& dir)
{
    const QByteArray path = QFile::encodeName(QDir::cleanPath(dir));
    for (qsizetype i = 1; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '/')
            continue;
        const QByteArray part = path.left(i);
        if (::mkdir(part.constData(), 0700) != 0 && errno != EEXIST)
            return;
    }
}

} // namespace

MemberFolders MemberFolders::decide(const QString& programDir, bool portable,
                                    const Environment& env)
{
    MemberFolders f;
    f.portable_ = portable;
    if (portable) {
        f.settingsDir_ = withSlash(programDir);
        f.datDir_ = f.settingsDir_ + QStringLiteral("dat/");
    } else {
        f.settingsDir_ = baseDir(env.configHome, env.home, ".config") + QStringLiteral("zvkb/");
        f.datDir_ = baseDir(env.cacheHome, env.home, ".cache") + QStringLiteral("zvkb/dat/");
    }
    return f;
}

MemberFolders MemberFolders::forProgramDir(const QString& programDir)
{
    return decide(programDir, isPortable(factsOf(programDir), ::geteuid(), ::getegid()),
                  environment());
}

bool MemberFolders::isPortable(const FolderFacts& folder, uint memberUid, uint memberGid)
{
    if (!folder.writable || !sharedWithNobody(folder, memberUid, memberGid))
        return false;
    // The system's installed programs: a package's folder belongs to the package, root's too.
    const QString path = QDir::cleanPath(folder.path) + QLatin1Char('/');
    return !path.startsWith(QLatin1String("/usr/"));
}

bool MemberFolders::isMembersAlone(const QString& dir)
{
    return sharedWithNobody(factsOf(dir), ::geteuid(), ::getegid());
}

bool MemberFolders::sharedWithNobody(const FolderFacts& folder, uint memberUid, uint memberGid)
{
    if (!folder.exists || folder.owner != memberUid)
        return false;
    // Shared folders: a sticky one (like /tmp), one others may write into, one a group may
    // write into unless that group is the member's own (a private group of one's own name).
    if ((folder.mode & S_ISVTX) || (folder.mode & S_IWOTH))
        return false;
    return !(folder.mode & S_IWGRP) || folder.group == memberGid;
}

MemberFolders::FolderFacts MemberFolders::factsOf(const QString& dir)
{
    FolderFacts facts;
    facts.path = dir;
    struct stat st = {};
    if (::stat(QFile::encodeName(dir).constData(), &st) != 0 || !S_ISDIR(st.st_mode))
        return facts;
    facts.exists = true;
    facts.owner = st.st_uid;
    facts.group = st.st_gid;
    facts.mode = st.st_mode & 07777;
    facts.writable = writableByMember(dir);
    return facts;
}

bool MemberFolders::writableByMember(const QString& dir)
{
    // Asked as the member: root may write nearly anywhere, a folder's owner says nothing about
    // its group or a read-only mount. Writing a file needs the folder's w and x.
    return ::faccessat(AT_FDCWD, QFile::encodeName(dir).constData(), W_OK | X_OK, AT_EACCESS) == 0;
}

MemberFolders::Environment MemberFolders::environment()
{
    Environment env{qEnvironmentVariable("XDG_CONFIG_HOME"), qEnvironmentVariable("XDG_CACHE_HOME"),
                    qEnvironmentVariable("HOME")};
    if (env.home.isEmpty()) {
        if (const passwd* pw = ::getpwuid(::geteuid()); pw && pw->pw_dir)
            env.home = QFile::decodeName(pw->pw_dir);
    }
    return env;
}

void MemberFolders::create() const
{
    if (portable_)
        return;
    makePath(settingsDir_);
    makePath(datDir_);
}
