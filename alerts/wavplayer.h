#pragma once
// Plays one WAV file asynchronously; a request while a sound still plays is dropped.
#include <QObject>
#include <QString>

class WavPlayer : public QObject {
    Q_OBJECT
public:
    explicit WavPlayer(QObject* parent = nullptr);
    ~WavPlayer() override;
    void PlayWavFile(const QString& strFileName, qint32 PlayCount, qint32 JianGe);
};
