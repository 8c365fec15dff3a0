// Notices the member did not see, on a StatusNotifier desktop with a notification server (a
// private session bus with a host and a server of the tests' own): the missed one marks the tray
// item, stays in its "最近消息" and goes to the desktop's list, whose default action opens it;
// while the desktop says do not disturb, a notice opens no popup and plays no sound, and is kept.
// Servers are restarted during the day, and some are started only by the first notification:
// Debian's dunst, started by the bus, keeps the notice in its history and its pause is a
// do-not-disturb.
#include "harness/harness.h"
#include "harness/notificationserver.h"
#include "harness/statusnotifierhost.h"
#include "harness/xfconf.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace harness;

namespace
{

const QString PopupCaption = QStringLiteral("有新信息，请注意查看！");

// A list whose first four lines (the categories announced by default) are those of round
// `round`: titles 标题<round>-<line>, items 9<round><line>; the other four never change.
QString listOfRound(int round)
{
    QStringList rows;
    for (int i = 0; i < 8; ++i) {
        const int r = i < 4 ? round : 0;
        rows << QStringLiteral("%1,标题%2-%3,类别%3,/nc/show.asp?id=9%2%3")
                    .arg(900 + 10 * r + i)
                    .arg(r)
                    .arg(i);
    }
    return rows.join(QStringLiteral("\r\n"));
}

class NoticesE2E : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Desktop& d = Desktop::instance({.tray = false, .sound = true, .sessionBus = true});
        ASSERT_TRUE(d.started()) << d.error().toStdString();
        host_ = std::make_unique<StatusNotifierHost>(d.sessionBus());
        ASSERT_TRUE(host_->start());
        server_ = std::make_unique<NotificationServer>(d.sessionBus());
        ASSERT_TRUE(server_->start());
        ASSERT_TRUE(service_.start()) << service_.error().toStdString();
        ASSERT_TRUE(service_.setList("tx", listOfRound(0)));
    }

    // The program with a one-second poll, the baseline list taken; its main window.
    WindowId start(const QProcessEnvironment& extra = {})
    {
        QProcessEnvironment env = extra;
        env.insert(QStringLiteral("ZV_TEST_POLL_MS"), QStringLiteral("1000"));
        if (!env.contains(QStringLiteral("GSETTINGS_BACKEND")))
            env.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("memory"));
        program_ = std::make_unique<Program>(Program::Options{.extraEnv = env});
        if (!program_->start()) {
            ADD_FAILURE() << program_->error().toStdString();
            return 0;
        }
        const WindowId w = program_->waitForMainWindow();
        item_ = host_->waitForItem(20000);
        EXPECT_FALSE(item_.isEmpty()) << "no StatusNotifier item";
        const auto isList = [](const LogEntry& e) { return e.path == QLatin1String("/nc/tx.asp"); };
        EXPECT_TRUE(service_.waitForRequest(isList, 30000).has_value());
        // One more poll after the first: the baseline is surely taken.
        EXPECT_TRUE(service_.clearLog());
        EXPECT_TRUE(service_.waitForRequest(isList, 10000).has_value());
        return w;
    }

    // The item of a notice (its id in the service's show page) was asked for.
    bool itemOpened(const char* id)
    {
        return service_
            .waitForRequest(
                [id](const LogEntry& e) {
                    return e.path == QLatin1String("/nc/show.asp") && e.queryItem("id") == id;
                },
                15000)
            .has_value();
    }

    QList<StatusNotifierHost::MenuEntry> recentEntries()
    {
        const QList<StatusNotifierHost::MenuEntry> menu = host_->menu(item_);
        if (menu.isEmpty() || menu[0].label != QStringLiteral("最近消息"))
            return {};
        return menu[0].children;
    }

    DevService service_;
    std::unique_ptr<StatusNotifierHost> host_;
    std::unique_ptr<NotificationServer> server_;
    std::unique_ptr<Program> program_;
    QString item_;
};

TEST_F(NoticesE2E, aMissedNoticeMarksTheTrayStaysInItsListAndReachesTheDesktopsList)
{
    const WindowId w = start();
    ASSERT_NE(w, 0u);
    EXPECT_EQ(host_->status(item_), QStringLiteral("Active"));
    // Four changed lines in one list: the fourth popup closes the first at once, unseen.
    ASSERT_TRUE(service_.setList("tx", listOfRound(1)));
    ASSERT_TRUE(waitUntil([&] { return program_->traceOf("popup").size() == 4; }, 15000))
        << program_->trace().join('\n').toStdString();
    EXPECT_TRUE(waitUntil([&] { return findWindows(PopupCaption, program_->pid()).size() == 3; }))
        << describeWindows().toStdString();

    EXPECT_TRUE(waitUntil([&] { return host_->status(item_) == QStringLiteral("NeedsAttention"); }))
        << host_->status(item_).toStdString();
    EXPECT_FALSE(host_->iconSizes(item_, "AttentionIconPixmap").isEmpty());
    EXPECT_EQ(host_->toolTipTitle(item_), QStringLiteral("Zelvar快报+首席Zelvar宝"));
    EXPECT_EQ(host_->toolTipText(item_), QStringLiteral("1 条未读消息"));

    // Newest first; popup 1's notice (line 0) marked.
    const QList<StatusNotifierHost::MenuEntry> recent = recentEntries();
    ASSERT_EQ(recent.size(), 4);
    for (int i = 0; i < 4; ++i) {
        const QString title = QStringLiteral("类别%1 标题1-%1").arg(3 - i);
        EXPECT_TRUE(recent[i].label.endsWith(title)) << recent[i].label.toStdString();
        EXPECT_EQ(recent[i].label.startsWith(QStringLiteral("● ")), i == 3)
            << recent[i].label.toStdString();
    }

    // The desktop's list has that one notice, and only that one.
    ASSERT_TRUE(server_->waitForCount(1));
    waitUntil([] { return false; }, 1000);
    ASSERT_EQ(server_->received().size(), 1);
    const NotificationServer::Notification n = server_->received().first();
    EXPECT_EQ(n.appName, QStringLiteral("Zelvar快报"));
    EXPECT_FALSE(n.appIcon.isEmpty());
    EXPECT_EQ(n.summary, QStringLiteral("类别0"));
    EXPECT_EQ(n.body, QStringLiteral("标题1-0"));
    EXPECT_TRUE(n.actions.contains(QStringLiteral("default")));
    EXPECT_EQ(n.hints.value(QStringLiteral("desktop-entry")).toString(), QStringLiteral("zvkb"));
    EXPECT_TRUE(n.hints.value(QStringLiteral("suppress-sound")).toBool());
    EXPECT_FALSE(n.hints.value(QStringLiteral("transient"), false).toBool());

    // The member, back at the desk with the main window in the tray, clicks it in the desktop's
    // list: its item goes into the member page and the main window comes back.
    ASSERT_TRUE(closeWindow(w));
    ASSERT_TRUE(waitUntil([&] { return !isVisible(w); }, 10000));
    ASSERT_TRUE(service_.clearLog());
    server_->invokeDefaultAction(n.id);
    EXPECT_TRUE(itemOpened("910")) << "popup 1's item was not requested";
    EXPECT_TRUE(waitUntil([&] { return windowState(w) == WindowState::Normal; }, 10000))
        << toString(windowState(w));
    EXPECT_TRUE(waitUntil([&] { return host_->status(item_) == QStringLiteral("Active"); }));
    EXPECT_FALSE(recentEntries().value(3).label.startsWith(QStringLiteral("● ")));
}

TEST_F(NoticesE2E, openingTheListClearsTheMarkAndChoosingANoticeOpensIt)
{
    const WindowId w = start();
    ASSERT_NE(w, 0u);
    ASSERT_TRUE(service_.setList("tx", listOfRound(1)));
    ASSERT_TRUE(
        waitUntil([&] { return host_->status(item_) == QStringLiteral("NeedsAttention"); }, 15000));
    ASSERT_TRUE(server_->waitForCount(1));
    const QList<StatusNotifierHost::MenuEntry> menu = host_->menu(item_);
    ASSERT_FALSE(menu.isEmpty());
    ASSERT_TRUE(host_->openSubmenu(item_, menu[0].id));
    EXPECT_TRUE(waitUntil([&] { return host_->status(item_) == QStringLiteral("Active"); }));
    EXPECT_EQ(host_->toolTipText(item_), QString());
    // Looked at, not yet opened: still marked in the list.
    const QList<StatusNotifierHost::MenuEntry> recent = recentEntries();
    ASSERT_EQ(recent.size(), 4);
    EXPECT_TRUE(recent[3].label.startsWith(QStringLiteral("● ")));

    ASSERT_TRUE(service_.clearLog());
    ASSERT_TRUE(host_->clickMenuEntry(item_, recent[3].id));
    EXPECT_TRUE(itemOpened("910"));
    EXPECT_TRUE(waitUntil([&] { return windowState(w) == WindowState::Normal; }, 10000));
    // Opened from the tray: the desktop's notification of it goes too.
    EXPECT_TRUE(waitUntil([&] { return server_->received().value(0).closed; }, 5000));
    EXPECT_FALSE(recentEntries().value(3).label.startsWith(QStringLiteral("● ")));
}

// A changed line while the desktop says do not disturb: no popup, no sound, kept as missed.
void expectKeptQuietly(Program& zv, DevService& service, StatusNotifierHost& host,
                       const QString& item, NotificationServer& server)
{
    ASSERT_TRUE(service.setList("tx", listOfRound(1)));
    ASSERT_TRUE(waitUntil([&] { return zv.traceOf("quiet").size() == 4; }, 15000))
        << zv.trace().join('\n').toStdString();
    EXPECT_TRUE(zv.traceOf("popup").isEmpty());
    EXPECT_TRUE(zv.traceOf("sound").isEmpty());
    EXPECT_TRUE(findWindows(PopupCaption, zv.pid()).isEmpty());
    EXPECT_EQ(host.status(item), QStringLiteral("NeedsAttention"));
    EXPECT_EQ(host.toolTipText(item), QStringLiteral("4 条未读消息"));
    const QList<StatusNotifierHost::MenuEntry> menu = host.menu(item);
    ASSERT_FALSE(menu.isEmpty());
    ASSERT_EQ(menu[0].children.size(), 4);
    for (const StatusNotifierHost::MenuEntry& e : menu[0].children)
        EXPECT_TRUE(e.label.startsWith(QStringLiteral("● "))) << e.label.toStdString();
    // The desktop's list holds them, quietly.
    EXPECT_TRUE(server.waitForCount(4));
}

TEST_F(NoticesE2E, gnomesDoNotDisturbKeepsNoticesQuietAndNothingPopsUpAfterIt)
{
    // GNOME's setting, from a settings file of the test's own (GSettings' keyfile backend).
    QTemporaryDir config;
    const QString keyfile = config.filePath(QStringLiteral("glib-2.0/settings/keyfile"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(keyfile).absolutePath()));
    const auto setBanners = [&](bool shown) {
        QFile f(keyfile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArrayLiteral("[org/gnome/desktop/notifications]\nshow-banners=") +
                (shown ? "true" : "false") + '\n');
    };
    setBanners(false);
    QProcessEnvironment env;
    env.insert(QStringLiteral("GSETTINGS_BACKEND"), QStringLiteral("keyfile"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    ASSERT_NE(start(env), 0u);
    expectKeptQuietly(*program_, service_, *host_, item_, *server_);

    // The mode ends: nothing pops up after the fact; the next notice does.
    setBanners(true);
    waitUntil([] { return false; }, 2500);
    EXPECT_TRUE(program_->traceOf("popup").isEmpty());
    ASSERT_TRUE(service_.setList("tx", listOfRound(2)));
    EXPECT_TRUE(waitUntil([&] { return !program_->traceOf("popup").isEmpty(); }, 15000))
        << program_->trace().join('\n').toStdString();
}

TEST_F(NoticesE2E, aNotificationServerThatSaysInhibitedKeepsNoticesQuiet)
{
    server_->setInhibited(true);
    ASSERT_NE(start(), 0u);
    expectKeptQuietly(*program_, service_, *host_, item_, *server_);
}

TEST_F(NoticesE2E, xfcesDoNotDisturbKeepsNoticesQuiet)
{
    Xfconf xfconf(Desktop::instance().sessionBus());
    xfconf.set(QStringLiteral("xfce4-notifyd"), QStringLiteral("/do-not-disturb"), true);
    ASSERT_TRUE(xfconf.start());
    ASSERT_NE(start(), 0u);
    expectKeptQuietly(*program_, service_, *host_, item_, *server_);
}

// The server is restarted between two missed notices and numbers from 1 again; its 1 belongs to
// another program. Invoking that opens nothing of ours, and choosing our earlier notice in
// 最近消息 closes nothing of the new server's. The new server reads markup in bodies: a title's
// "&" and "<" reach it as text (a list holding both "<" and ">" is no list).
TEST_F(NoticesE2E, aRestartedServersNumbersAreNotOurs)
{
    const WindowId w = start();
    ASSERT_NE(w, 0u);
    ASSERT_TRUE(service_.setList("tx", listOfRound(1)));
    ASSERT_TRUE(server_->waitForCount(1)); // popup 1's notice, missed
    ASSERT_TRUE(closeWindow(w));
    ASSERT_TRUE(waitUntil([&] { return windowState(w) == WindowState::Hidden; }));

    server_.reset();
    server_ = std::make_unique<NotificationServer>(Desktop::instance().sessionBus());
    server_->setBodyMarkup(true);
    ASSERT_TRUE(server_->start());
    const uint others = server_->notify({0,
                                         QStringLiteral("other"),
                                         {},
                                         QStringLiteral("other's"),
                                         QStringLiteral("text"),
                                         {QStringLiteral("default"), {}},
                                         {},
                                         -1,
                                         false});
    ASSERT_EQ(others, 1u);
    ASSERT_TRUE(service_.clearLog());
    server_->invokeDefaultAction(others);
    waitUntil([] { return false; }, 2000);
    for (const LogEntry& e : service_.log())
        EXPECT_NE(e.path, QStringLiteral("/nc/show.asp")) << e.query.toStdString();
    EXPECT_EQ(windowState(w), WindowState::Hidden);

    // The next missed notices go to the new server, with its own numbers, their text as text.
    ASSERT_TRUE(service_.setList(
        "tx", listOfRound(2).replace(QStringLiteral("标题2-0"), QStringLiteral("A&B<2-0"))));
    ASSERT_TRUE(server_->waitForCount(5)) << server_->received().size();
    bool escaped = false;
    for (const NotificationServer::Notification& n : server_->received())
        escaped = escaped || n.body == QStringLiteral("A&amp;B&lt;2-0");
    EXPECT_TRUE(escaped);

    // Our first notice, chosen in the tray's list, opens its item and closes nothing there.
    const QList<StatusNotifierHost::MenuEntry> recent = recentEntries();
    const auto first = std::find_if(recent.begin(), recent.end(), [](const auto& e) {
        return e.label.endsWith(QStringLiteral("类别0 标题1-0"));
    });
    ASSERT_NE(first, recent.end());
    ASSERT_TRUE(host_->clickMenuEntry(item_, first->id));
    EXPECT_TRUE(itemOpened("910"));
    waitUntil([] { return false; }, 1000);
    for (const NotificationServer::Notification& n : server_->received())
        EXPECT_FALSE(n.closed) << n.id << " " << n.summary.toStdString();
}

// What dunst keeps in its history (dunstctl history, JSON).
QString dunstHistory()
{
    const CommandResult r =
        Desktop::instance().run(QStringLiteral("dunstctl"), {QStringLiteral("history")});
    return r.ok() ? QString::fromUtf8(QJsonDocument::fromJson(r.out).toJson()) : QString();
}

// Debian's dunst, which the bus starts when a program first sends a notification, as Xfce's server
// and mako are: a missed notice starts it and stays in its history. Paused (dunst's do not
// disturb), the next changed line is quiet: no popup, no sound, kept as missed.
TEST_F(NoticesE2E, dunstStartedOnDemandKeepsTheMissedNoticeAndItsPauseKeepsQuiet)
{
    server_.reset(); // no server running; the bus knows how to start one
    Desktop& d = Desktop::instance();
    QTemporaryDir dir;
    const QString rc = dir.filePath(QStringLiteral("dunstrc"));
    {
        QFile f(rc);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        // Notices go to the history a second after they show, whether or not the (headless)
        // member is idle.
        f.write("[global]\nidle_threshold = 0\n[urgency_normal]\ntimeout = 1\n");
    }
    const QString name = QStringLiteral("org.freedesktop.Notifications");
    ASSERT_TRUE(d.setBusService(name, QStringLiteral("/usr/bin/dunst -config ") + rc));
    // Whatever happens below, the tests after this one find no dunst and no service file.
    struct StopDunst {
        Desktop& d;
        const QString& name;
        const QString& rc;
        ~StopDunst()
        {
            d.setBusService(name, QString());
            d.run(QStringLiteral("pkill"),
                  {QStringLiteral("-f"), QStringLiteral("dunst -config ") + rc});
        }
    } stopDunst{d, name, rc};

    ASSERT_NE(start(), 0u);
    ASSERT_TRUE(service_.setList("tx", listOfRound(1)));
    ASSERT_TRUE(waitUntil([&] { return program_->traceOf("popup").size() == 4; }, 15000));
    EXPECT_TRUE(
        waitUntil([&] { return dunstHistory().contains(QStringLiteral("标题1-0")); }, 20000))
        << dunstHistory().toStdString();

    const qsizetype sounds = program_->traceOf("sound").size();
    ASSERT_TRUE(
        d.run(QStringLiteral("dunstctl"), {QStringLiteral("set-paused"), QStringLiteral("true")})
            .ok());
    ASSERT_TRUE(service_.setList("tx", listOfRound(2)));
    EXPECT_TRUE(waitUntil([&] { return program_->traceOf("quiet").size() == 4; }, 15000))
        << program_->trace().join('\n').toStdString();
    EXPECT_EQ(program_->traceOf("popup").size(), 4);
    EXPECT_EQ(program_->traceOf("sound").size(), sounds);
    EXPECT_EQ(host_->toolTipText(item_), QStringLiteral("5 条未读消息"));
}

} // namespace
