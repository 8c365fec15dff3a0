// The alert sound with a real sound server (the harness desktop's null sink): a sound plays,
// a request while it plays is dropped, and the player is free again after the sound's length.
#include "alerts/wavplayer.h"
#include "harness/harness.h"
#include "startup/settings.h"
#include "support/programfolder.h"

#include <QAudioDevice>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMediaDevices>

#include <gtest/gtest.h>

using namespace harness;

namespace
{

QStringList traceLines(const ProgramFolder& dir)
{
    QFile f(dir.filePath("trace.log"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
}

TEST(AlertSoundEndToEnd, secondRequestWhilePlayingIsDroppedAndThePlayerFreesUp)
{
    Desktop& d = Desktop::instance();
    ASSERT_TRUE(d.started()) << d.error().toStdString();
    if (!d.hasSound())
        GTEST_SKIP() << "the desktop has no sound server";
    // The sound engine of this process connects on first use, so point it at the desktop's.
    qputenv("PULSE_SERVER", d.pulseServer().toUtf8());
    qputenv("XDG_RUNTIME_DIR", d.runtimeDir().toUtf8());
    ASSERT_FALSE(QMediaDevices::audioOutputs().isEmpty());

    ProgramFolder dir;
    const QString wav = dir.filePath("ts1.wav");
    ASSERT_TRUE(QFile::copy(QStringLiteral(ZV_BIN_DIR "/ts1.wav"), wav));

    WavPlayer player;
    player.PlayWavFile(wav, 1, 5);
    EXPECT_TRUE(player.isBusy());
    EXPECT_TRUE(waitUntil([&] { return !d.sinkInputs().isEmpty(); }, 3000));
    player.PlayWavFile(wav, 1, 5);
    EXPECT_EQ(traceLines(dir),
              (QStringList{"sound\t" + wav, "sound\t" + wav, "sound-dropped\t" + wav}));

    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(waitUntil([&] { return !player.isBusy(); }, 15000));
    player.PlayWavFile(wav, 1, 5);
    EXPECT_EQ(traceLines(dir).size(), 4); // taken, not dropped
}

} // namespace
