#include "startup/activationmessage.h"

#include <QCryptographicHash>
#include <QFileInfo>

namespace ActivationMessage
{

namespace
{

const QByteArray kVerb = QByteArrayLiteral("zvkb-activate ");

bool isTokenByte(char c)
{
    return c > 0x20 && c < 0x7f;
}

bool isToken(QByteArrayView t)
{
    if (t.isEmpty() || t.size() > kMaxTokenBytes)
        return false;
    for (char c : t) {
        if (!isTokenByte(c))
            return false;
    }
    return true;
}

} // namespace

QByteArray encode(const QString& token)
{
    const QByteArray t = token.toLatin1();
    const bool usable = token.size() == t.size() && isToken(t) && t != "-";
    return kVerb + (usable ? t : QByteArrayLiteral("-")) + '\n';
}

std::optional<QString> decode(QByteArrayView line)
{
    if (line.size() > kMaxLineBytes || !line.startsWith(kVerb) || !line.endsWith('\n'))
        return std::nullopt;
    const QByteArrayView token = line.sliced(kVerb.size(), line.size() - kVerb.size() - 1);
    if (token == "-")
        return QString();
    if (!isToken(token))
        return std::nullopt;
    return QString::fromLatin1(token);
}

QByteArray done()
{
    return QByteArrayLiteral("zvkb-shown\n");
}

QString channelName(const QString& lockPath, uint uid)
{
    // The folder exists whether the lock does or not; resolving it joins every way of naming it.
    const QFileInfo lock(lockPath);
    QString folder = QFileInfo(lock.absolutePath()).canonicalFilePath();
    if (folder.isEmpty())
        folder = lock.absolutePath();
    const QByteArray digest =
        QCryptographicHash::hash((folder + QLatin1Char('/') + lock.fileName()).toUtf8(),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(32);
    return QStringLiteral("zvkb-%1-%2").arg(uid).arg(QString::fromLatin1(digest));
}

QString channelFile(const QString& lockPath)
{
    const QFileInfo lock(lockPath);
    return lock.absolutePath() + QLatin1Char('/') + lock.completeBaseName() +
           QStringLiteral(".sock");
}

} // namespace ActivationMessage
