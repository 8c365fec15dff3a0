#include "alerts/wavplayer.h"

// Placeholder until the player lands.
WavPlayer::WavPlayer(QObject* parent) : QObject(parent) {}
WavPlayer::~WavPlayer() = default;
void WavPlayer::PlayWavFile(const QString&, qint32, qint32) {}
