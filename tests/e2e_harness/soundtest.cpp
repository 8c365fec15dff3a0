// Sound through the harness's null sink: a Qt program (this one as a child) plays one of the
// program's alert sounds, and the sound server shows the stream while it plays.
#include "childprocess.h"
#include "harness/harness.h"

#include <QApplication>
#include <QDir>
#include <QSoundEffect>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

using namespace harness;

TEST(ChildSound, play)
{
    if (childRole() != QLatin1String("sound"))
        GTEST_SKIP() << "runs only as a child of the sound test";
    QSoundEffect effect;
    effect.setSource(QUrl::fromLocalFile(QDir(QStringLiteral(ZV_BIN_DIR)).filePath("ts.wav")));
    effect.setLoopCount(QSoundEffect::Infinite);
    effect.play();
    qApp->exec();
}

TEST(Sound, aQtProgramPlaysIntoTheNullSink)
{
    Desktop& d = Desktop::instance();
    ASSERT_TRUE(d.started()) << d.error().toStdString();
    ASSERT_TRUE(d.hasSound());
    EXPECT_TRUE(d.sinkInputs().isEmpty());
    QTemporaryDir dir;
    auto child = startChild(QStringLiteral("ChildSound.*"), QStringLiteral("sound"),
                            d.environment(), dir.filePath(QStringLiteral("child.log")));
    ASSERT_TRUE(child->running()) << child->error().toStdString();
    EXPECT_TRUE(waitUntil([&] { return !d.sinkInputs().isEmpty(); }, 10000, 100))
        << child->logTail(30).toStdString();
    child->stop();
    EXPECT_TRUE(waitUntil([&] { return d.sinkInputs().isEmpty(); }, 5000, 100));
}
