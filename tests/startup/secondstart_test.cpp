// A second start reaches the running copy: with its token, through every spelling of the settings
// folder, never from another user, never from anything but the one message; a crashed copy leaves
// nothing behind that blocks the next.
#include "startup/activationmessage.h"
#include "startup/secondstart.h"
#include "support/nobody.h"
#include "support/programfolder.h"
#include "support/waitfor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <thread>
#include <unistd.h>

namespace
{

// "listen|<lock>": a running copy; "send|<channel>": a process that says the message on a
// channel by its name; "squat|<channel>": one that takes a channel's name.
constexpr const char* kChild = "ZV_TEST_SECOND_START_CHILD";

// Runs inside a child copy of this test program only.
TEST(SecondStartChild, actsOnRequest)
{
    const QStringList job = qEnvironmentVariable(kChild).split(QLatin1Char('|'));
    if (job.size() != 2)
        GTEST_SKIP() << "only runs as a child of the second-start tests";
    if (job[0] == QLatin1String("send")) {
        QLocalSocket s;
        s.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
        s.connectToServer(job[1]);
        s.waitForConnected(5000);
        s.write(ActivationMessage::encode(QStringLiteral("intruder")));
        s.waitForBytesWritten(5000);
        QByteArray answer;
        while (s.waitForReadyRead(3000))
            answer += s.readAll();
        _exit(answer == ActivationMessage::done() ? 0 : 3);
    }
    QLocalServer squatter;
    squatter.setSocketOptions(QLocalServer::AbstractNamespaceOption);
    std::optional<SecondStartListener> listener;
    bool listening = false;
    if (job[0] == QLatin1String("squat")) {
        listening = squatter.listen(job[1]);
    } else {
        listener.emplace(job[1]);
        listening = listener->listening();
    }
    fprintf(stdout, "\n%s\n", listening ? "LISTENING" : "TAKEN");
    fflush(stdout);
    for (;;)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 100); // until killed
}

class SecondStartTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir_.isValid());
        lock_ = dir_.filePath(QStringLiteral("zvkb.lock"));
    }

    // What the running copy heard.
    void listen(SecondStartListener& listener)
    {
        QObject::connect(&listener, &SecondStartListener::activationRequested,
                         [this](const QString& token) { tokens_.append(token); });
    }

    // A second start told from another thread, as another process would (the listener needs this
    // thread's event loop meanwhile).
    bool tell(const QString& lock, const QString& token)
    {
        bool answered = false;
        bool finished = false;
        std::thread second([&] {
            answered = SecondStart::tellRunningCopy(lock, token, 5000);
            finished = true;
        });
        waitFor([&] { return finished; }, 10000);
        second.join();
        return answered;
    }

    void startChild(QProcess& child, const char* job, const QString& lock, bool asNobody = false)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QLatin1String(kChild), QLatin1String(job) + QLatin1Char('|') + lock);
        env.remove(QStringLiteral("LSAN_OPTIONS"));
        child.setProcessEnvironment(env);
        if (asNobody)
            runAsNobody(child);
        child.start(program_, {QStringLiteral("--gtest_filter=SecondStartChild.actsOnRequest")});
        ASSERT_TRUE(child.waitForStarted(10000));
    }

    static QByteArray lineOf(QProcess& child)
    {
        QByteArray out;
        for (int i = 0; i < 100 && !out.contains("LISTENING\n") && !out.contains("TAKEN\n"); ++i) {
            child.waitForReadyRead(100);
            out += child.readAllStandardOutput();
        }
        return out.contains("LISTENING\n") ? "LISTENING" : out.contains("TAKEN\n") ? "TAKEN" : out;
    }

    QTemporaryDir dir_;
    QString lock_;
    QStringList tokens_;
    QString program_ = QCoreApplication::applicationFilePath();
};

TEST_F(SecondStartTest, aSecondStartReachesTheRunningCopyByAnySpellingOfTheFolder)
{
    SecondStartListener running(lock_);
    ASSERT_TRUE(running.listening());
    listen(running);
    EXPECT_TRUE(tell(lock_, QStringLiteral("_TIME12345")));
    // Through a link to the folder, and with the folder written with a trailing "/." as well.
    const QString link =
        QDir::tempPath() + QStringLiteral("/zv-second-start-link-%1").arg(getpid());
    QFile::remove(link);
    ASSERT_TRUE(QFile::link(dir_.path(), link));
    EXPECT_TRUE(tell(link + QStringLiteral("/zvkb.lock"), QString()));
    EXPECT_TRUE(tell(dir_.path() + QStringLiteral("/./zvkb.lock"), QStringLiteral("kwin-1\x01")));
    QFile::remove(link);
    // Tokens as they came; none, or one that is no token, arrive empty.
    EXPECT_EQ(tokens_, (QStringList{QStringLiteral("_TIME12345"), QString(), QString()}));

    // Another settings folder is another member's copy.
    QTemporaryDir other;
    EXPECT_FALSE(tell(other.filePath(QStringLiteral("zvkb.lock")), QString()));
    EXPECT_EQ(tokens_.size(), 3);
}

TEST_F(SecondStartTest, anythingButTheOneMessageIsIgnored)
{
    SecondStartListener running(lock_);
    listen(running);
    const QByteArray longToken(ActivationMessage::kMaxLineBytes, 'x');
    const QByteArray sent[] = {QByteArray("zvkb-show\n"),
                               QByteArray("zvkb-activate \n"),
                               QByteArray("zvkb-activate a b\n"),
                               QByteArray("zvkb-activate -\nzvkb-activate -\n"),
                               QByteArray("zvkb-activate x"),
                               QByteArray("zvkb-activate ") + longToken + '\n',
                               QByteArray(4096, 'z'),
                               QByteArray("\0\n", 2),
                               QByteArray()};
    std::vector<std::unique_ptr<QLocalSocket>> sockets;
    for (const QByteArray& bytes : sent) {
        auto& s = sockets.emplace_back(std::make_unique<QLocalSocket>());
        s->setSocketOptions(QLocalSocket::AbstractNamespaceOption);
        s->connectToServer(ActivationMessage::channelName(lock_, ::geteuid()));
        ASSERT_TRUE(waitFor([&] { return s->state() == QLocalSocket::ConnectedState; }));
        s->write(bytes);
        s->flush();
    }
    // The listener hangs up on each (a silent one after its wait), answering nothing.
    for (size_t i = 0; i < sockets.size(); ++i) {
        QLocalSocket& s = *sockets[i];
        EXPECT_TRUE(waitFor([&] { return s.state() == QLocalSocket::UnconnectedState; },
                            SecondStartListener::kReadWaitMs + 3000))
            << sent[i].left(40).toStdString();
        EXPECT_TRUE(s.readAll().isEmpty());
    }
    EXPECT_TRUE(tokens_.isEmpty());
    // It still hears the real one.
    EXPECT_TRUE(tell(lock_, QStringLiteral("ok")));
    EXPECT_EQ(tokens_, QStringList{QStringLiteral("ok")});
}

TEST_F(SecondStartTest, anotherUserCanNeitherReachItNorStandInForIt)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "another user's process needs root to start";
    // The children must reach a copy of this program: the build tree may be root's alone.
    program_ = dir_.filePath(QStringLiteral("probe"));
    ASSERT_TRUE(QFile::copy(QCoreApplication::applicationFilePath(), program_));
    ASSERT_EQ(::chmod(QFile::encodeName(program_).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(dir_.path()).constData(), 0755), 0);
    const QString channel = ActivationMessage::channelName(lock_, ::geteuid());
    {
        // Another user says the message on the member's channel: hung up on, unheard.
        SecondStartListener running(lock_);
        listen(running);
        QProcess nobody;
        startChild(nobody, "send", channel, true);
        ASSERT_TRUE(waitFor([&] { return nobody.state() == QProcess::NotRunning; }, 15000));
        EXPECT_EQ(nobody.exitCode(), 3);
        EXPECT_TRUE(tokens_.isEmpty());
    }
    // Another user took the channel's name first: a second start tells it nothing. The running
    // copy listens on a socket file beside the lock instead, which only the member may open.
    QProcess squatter;
    startChild(squatter, "squat", channel, true);
    ASSERT_EQ(lineOf(squatter), QByteArray("LISTENING"));
    EXPECT_FALSE(tell(lock_, QStringLiteral("secret-token")));
    {
        SecondStartListener running(lock_);
        EXPECT_TRUE(running.listening());
        listen(running);
        EXPECT_TRUE(tell(lock_, QStringLiteral("back")));
        EXPECT_EQ(tokens_, QStringList{QStringLiteral("back")});
        EXPECT_EQ(modeOf(ActivationMessage::channelFile(lock_)), 0600u);
    }
    squatter.kill();
    squatter.waitForFinished(10000);
}

TEST_F(SecondStartTest, aCrashedCopyLeavesNothingBehindAndATakenNameBlocksNothing)
{
    QProcess crashed;
    startChild(crashed, "listen", lock_);
    ASSERT_EQ(lineOf(crashed), QByteArray("LISTENING"));
    {
        // While it lives the name is taken: a second listener just goes without.
        SecondStartListener without(lock_);
        EXPECT_FALSE(without.listening());
    }
    crashed.kill(); // SIGKILL: no chance to clean anything up
    ASSERT_TRUE(crashed.waitForFinished(10000));
    SecondStartListener next(lock_);
    EXPECT_TRUE(next.listening());
    listen(next);
    EXPECT_TRUE(tell(lock_, QString()));
    EXPECT_EQ(tokens_.size(), 1);
}

TEST(ActivationMessage, channelNameIsTheMembersAndTheFoldersOwn)
{
    const QString a = ActivationMessage::channelName(QStringLiteral("/x/zvkb.lock"), 1000);
    EXPECT_TRUE(a.startsWith(QStringLiteral("zvkb-1000-")));
    EXPECT_NE(a, ActivationMessage::channelName(QStringLiteral("/x/zvkb.lock"), 1001));
    EXPECT_NE(a, ActivationMessage::channelName(QStringLiteral("/y/zvkb.lock"), 1000));
    EXPECT_LT(a.size(), 100); // the kernel's limit for a socket name is 107 bytes
}

} // namespace
