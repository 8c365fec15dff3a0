#pragma once
// How long a WAV file plays, read from its RIFF header.
#include <QByteArray>
#include <optional>

namespace WavLength
{

// Play time in milliseconds of a RIFF/WAVE file's bytes (at least its header up to the "data"
// chunk's size field); nothing when the bytes are not a WAV file this can measure.
std::optional<qint64> durationMs(const QByteArray& bytes, qint64 fileSize);

} // namespace WavLength
