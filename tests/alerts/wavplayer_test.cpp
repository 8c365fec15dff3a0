// The alert sound's gates: which requests get as far as the player, and that a sound never
// counts as playing past its own length.
#include "alerts/wavplayer.h"
#include "startup/trace.h"
#include "support/programfolder.h"
#include "support/waitfor.h"

#include <QAudioDevice>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMediaDevices>
#include <QtEndian>
#include <gtest/gtest.h>

namespace
{

// A silent 16-bit mono PCM file of the given length.
void writeWav(const QString& path, int ms)
{
    const quint32 rate = 8000, dataBytes = rate * 2 * static_cast<quint32>(ms) / 1000;
    QByteArray b;
    auto u32 = [&](quint32 v) {
        char x[4];
        qToLittleEndian(v, x);
        b.append(x, 4);
    };
    auto u16 = [&](quint16 v) {
        char x[2];
        qToLittleEndian(v, x);
        b.append(x, 2);
    };
    b.append("RIFF");
    u32(36 + dataBytes);
    b.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    b.append("data");
    u32(dataBytes);
    b.append(QByteArray(static_cast<qsizetype>(dataBytes), '\0'));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(b);
}

class WavPlayerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!Trace::enabled())
            GTEST_SKIP() << "needs a build with seam tracing";
        writeWav(folder.filePath("ts.wav"), 300);
        writeWav(folder.filePath(".hidden.wav"), 300);
        QDir(folder.path()).mkdir("folder.wav");
    }

    QStringList trace() const
    {
        QFile f(folder.filePath("trace.log"));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }

    ProgramFolder folder;
    WavPlayer player;
};

TEST_F(WavPlayerTest, onlyOrdinaryFilesAndNonZeroCountsReachThePlayer)
{
    player.PlayWavFile(folder.filePath("missing.wav"), 1, 5);
    player.PlayWavFile(folder.filePath("folder.wav"), 1, 5);
    player.PlayWavFile(folder.filePath(".hidden.wav"), 1, 5);
    player.PlayWavFile(folder.filePath("ts.wav"), 0, 5);
    player.PlayWavFile(QString(), 1, 5);
    EXPECT_TRUE(trace().isEmpty());
    player.PlayWavFile(folder.filePath("ts.wav"), 2, 5);
    ASSERT_FALSE(trace().isEmpty());
    EXPECT_EQ(trace().first(), "sound\t" + folder.filePath("ts.wav"));
}

TEST_F(WavPlayerTest, aSecondRequestWhileOnePlaysIsDroppedButNotForEver)
{
    const bool output = !QMediaDevices::audioOutputs().isEmpty();
    player.PlayWavFile(folder.filePath("ts.wav"), 1, 5);
    player.PlayWavFile(folder.filePath("ts.wav"), 1, 5);
    if (!output) {
        // Nothing can play: nothing is held up either.
        EXPECT_FALSE(player.isBusy());
        EXPECT_FALSE(trace().contains("sound-dropped\t" + folder.filePath("ts.wav")));
        return;
    }
    EXPECT_TRUE(trace().contains("sound-dropped\t" + folder.filePath("ts.wav")));
    // 300 ms of sound plus the margin: free again well within two seconds.
    QElapsedTimer t;
    t.start();
    EXPECT_TRUE(waitFor([&] { return !player.isBusy(); }, 3000));
    EXPECT_LT(t.elapsed(), 2000);
}

} // namespace
