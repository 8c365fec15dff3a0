#pragma once
// Plays one WAV file asynchronously; a request while a sound still plays is dropped.
#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <memory>

class QSoundEffect;

class WavPlayer : public QObject
{
    Q_OBJECT
public:
    explicit WavPlayer(QObject* parent = nullptr);
    ~WavPlayer() override;

    // strFileName: the file (an ordinary, visible file, else nothing plays); PlayCount 0 plays
    // nothing, any other value plays it once; JianGe has no effect on a single play.
    void PlayWavFile(const QString& strFileName, qint32 PlayCount, qint32 JianGe);

    // True while the last sound started still counts as playing.
    bool isBusy() const;

    // Whether a file passes the lookup: it exists, is an ordinary file and is not hidden.
    static bool isPlayableFile(const QString& path);

private:
    std::unique_ptr<QSoundEffect> effect_;
    // The sound engine may report a sound as playing for ever when there is no real output; a
    // sound never counts as playing past its own length plus a margin.
    QDeadlineTimer busyUntil_;
};
