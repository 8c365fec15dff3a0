#include "alerts/wavplayer.h"

#include "alerts/wavlength.h"
#include "startup/trace.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

namespace
{
constexpr qint64 MarginMs = 500;
constexpr qint64 UnknownLengthMs = 5000; // a file whose header tells no length

qint64 playTimeMs(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return UnknownLengthMs;
    const QByteArray head = f.read(64 * 1024);
    return WavLength::durationMs(head, f.size()).value_or(UnknownLengthMs);
}
} // namespace

WavPlayer::WavPlayer(QObject* parent) : QObject(parent), busyUntil_(0) {}
WavPlayer::~WavPlayer() = default;

bool WavPlayer::isPlayableFile(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && info.isFile() && !info.isHidden();
}

bool WavPlayer::isBusy() const
{
    if (!effect_ || busyUntil_.hasExpired())
        return false;
    return effect_->isPlaying() || effect_->status() == QSoundEffect::Loading;
}

void WavPlayer::PlayWavFile(const QString& strFileName, qint32 PlayCount, qint32 JianGe)
{
    Q_UNUSED(JianGe);
    if (!isPlayableFile(strFileName))
        return;
    if (PlayCount == 0)
        return;
    QCoreApplication::processEvents();
    Trace::event(QStringLiteral("sound"), strFileName);
    if (isBusy()) {
        Trace::event(QStringLiteral("sound-dropped"), strFileName);
        return;
    }
    // Without an output device there is nothing to hear, and the engine would count the sound as
    // playing for good.
    if (QMediaDevices::audioOutputs().isEmpty())
        return;
    // A fresh effect per sound: an old one stuck in its playing state is let go.
    effect_ = std::make_unique<QSoundEffect>();
    effect_->setSource(QUrl::fromLocalFile(QFileInfo(strFileName).absoluteFilePath()));
    effect_->setLoopCount(1);
    effect_->play();
    busyUntil_.setRemainingTime(playTimeMs(strFileName) + MarginMs);
}

#include "moc_wavplayer.cpp" // meta-object code, compiled with this file
