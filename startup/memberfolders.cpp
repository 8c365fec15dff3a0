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

MemberFolders MemberFolders::decide(const QString& programDir, bool programDirWritable,
                                    const Environment& env)
{
    MemberFolders f;
    f.portable_ = programDirWritable;
    if (programDirWritable) {
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
    return decide(programDir, writableByMember(programDir), environment());
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
