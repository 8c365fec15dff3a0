// One member's day with the real program, in order, on one desktop and one service: the first
// start, the remembered login, the category dialog, notices for the chosen categories only, a
// line switch, the tray, the quit and the next start on the same folder.
//
// With ZV_SCREENSHOT_DIR set, the walk also saves main-window.png, popup.png and
// category-dialog.png there (the pictures of the README).
#include "harness/harness.h"

#include <QDir>
#include <QUrlQuery>
#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

using namespace harness;

namespace
{

const QString PopupCaption = QStringLiteral("有新信息，请注意查看！");
const QString LoginCaption = QStringLiteral("保存密码");
const QString DialogCaption = QStringLiteral("右下角提醒，详细设置");
const QString MemberPage = QStringLiteral("/nc/i88-62.asp");
const int PollMs = 2000;

// The member's login: a Chinese user name goes to config.ini in GBK.
const QString User = QStringLiteral("会员张三");
const QByteArray UserGbk = QByteArray::fromHex("bbe1d4b1d5c5c8fd");
const QString Pass = QStringLiteral("Zv2026pw");

// Message lists: eight lines in category order; line 1 is "Zelvar公司" (box zvgs), line 5
// "机构密函" (box jgmh).
QString messageList(const QString& line1, const QString& line5)
{
    QStringList rows;
    for (int i = 0; i < 8; ++i)
        rows << QStringLiteral("%1,旧标题%1,类别%1,/nc/show.asp?id=%1,2026-12-07").arg(100 + i);
    rows[1] = line1;
    rows[5] = line5;
    return rows.join(QStringLiteral("\r\n"));
}
const QString Line1Old = QStringLiteral("101,公司旧闻,Zelvar公司,/nc/show.asp?id=101,2026-12-07");
const QString Line1New = QStringLiteral("811,公司新闻,Zelvar公司,/nc/show.asp?id=811,2026-12-07");
const QString Line5Old =
    QStringLiteral("105,机构密函第一号,机构密函,/nc/show.asp?id=105,2026-12-07");
const QString Line5New =
    QStringLiteral("815,机构密函第二号,机构密函,/nc/show.asp?id=815,2026-12-07");

bool onLine(const LogEntry& e, int line)
{
    return QUrl(DevService::lineUrl(line)).authority() == e.host;
}

class MemberDay : public ::testing::Test
{
protected:
    // The program's member brings up the desktop; its start() says when the desktop is missing.
    void SetUp() override
    {
        ASSERT_TRUE(service.start()) << service.error().toStdString();
        ASSERT_TRUE(service.setList("tx", messageList(Line1Old, Line5Old)));
    }

    // Waits until config.ini holds exactly `expected`.
    void expectConfig(const QByteArray& expected, int timeoutMs = 5000)
    {
        EXPECT_TRUE(waitUntil([&] { return zv.configBytes() == expected; }, timeoutMs))
            << "config.ini:\n"
            << zv.configBytes().toHex(' ').constData() << "\nexpected:\n"
            << expected.toHex(' ').constData();
    }

    // The member page's login form on `line` reports that it holds the remembered login.
    bool waitForFilledForm(int line)
    {
        return service
            .waitForRequest(
                [line](const LogEntry& e) {
                    return onLine(e, line) && e.path == QLatin1String("/nc/fields.asp") &&
                           e.queryItem(QStringLiteral("UserName")) == User &&
                           e.queryItem(QStringLiteral("UserPassword")) == Pass;
                },
                15000)
            .has_value();
    }

    void settle(int ms)
    {
        waitUntil([] { return false; }, ms);
    }

    // Saves a picture for the README when asked to.
    void picture(const QString& name, WindowId w)
    {
        const QString dir = qEnvironmentVariable("ZV_SCREENSHOT_DIR");
        if (dir.isEmpty())
            return;
        QDir().mkpath(dir);
        EXPECT_TRUE(screenshot(QDir(dir).filePath(name), w));
    }

    std::optional<LogEntry> waitForListPoll(qint64 afterSeq, int line)
    {
        return service.waitForRequest(
            [&](const LogEntry& e) {
                return e.seq > afterSeq && e.path == QLatin1String("/nc/tx.asp") && onLine(e, line);
            },
            PollMs * 5);
    }

    qint64 lastSeq()
    {
        const QList<LogEntry> all = service.log();
        return all.isEmpty() ? 0 : all.last().seq;
    }

    // Presses the page's own login button: focus the fourth frame's form, then Return. A key
    // that reaches the window before the page has the focus is lost, so the member tries again.
    std::optional<LogEntry> submitLogin(int line)
    {
        const qint64 before = lastSeq();
        auto isLogin = [&](const LogEntry& e) {
            return e.seq > before && e.method == QLatin1String("POST") &&
                   e.path == QLatin1String("/nc/login.asp") && onLine(e, line);
        };
        for (int attempt = 0; attempt < 3; ++attempt) {
            const WindowGeometry g = geometry(mainWindow);
            EXPECT_TRUE(click(mainWindow, g.client.width() - 150, g.client.height() - 80));
            settle(200);
            EXPECT_TRUE(key(mainWindow, QStringLiteral("Tab")));
            EXPECT_TRUE(key(mainWindow, QStringLiteral("Return")));
            if (waitUntil(
                    [&] {
                        for (const LogEntry& e : service.log()) {
                            if (isLogin(e))
                                return true;
                        }
                        return false;
                    },
                    5000))
                break;
        }
        return service.waitForRequest(isLogin, 1000);
    }

    static void expectLoginFields(const LogEntry& post)
    {
        const QUrlQuery form(QString::fromUtf8(post.body));
        EXPECT_EQ(form.queryItemValue(QStringLiteral("UserName"), QUrl::FullyDecoded), User)
            << post.body.constData();
        EXPECT_EQ(form.queryItemValue(QStringLiteral("UserPassword"), QUrl::FullyDecoded), Pass)
            << post.body.constData();
    }

    // The main window's controls, at their places in the window's strip (client pixels).
    void clickCheck1() { ASSERT_TRUE(click(mainWindow, 440, 14)); }
    void clickMima()
    {
        const int outerWidth = geometry(mainWindow).outer.width();
        ASSERT_TRUE(click(mainWindow, outerWidth - 238 + 8, 14));
    }

    void firstStart();
    void rememberLogin();
    void logIn();
    void chooseCategories();
    void noticeForChosenCategoryOnly();
    void clickNotice();
    void switchLine();
    void hideAndRestore();
    void quitFromTray();
    void startAgain();

    DevService service;
    Program zv{{.extraEnv = [] {
        QProcessEnvironment env;
        env.insert(QStringLiteral("ZV_TEST_POLL_MS"), QString::number(PollMs));
        return env;
    }()}};
    WindowId mainWindow = 0;
    WindowId icon = 0;
    WindowId popup = 0;
    QByteArray configAfterDay;
};

void MemberDay::firstStart()
{
    ASSERT_FALSE(zv.hasConfig());
    ASSERT_TRUE(zv.start()) << zv.error().toStdString();
    mainWindow = zv.waitForMainWindow();
    ASSERT_NE(mainWindow, 0u) << describeWindows().toStdString();

    const auto page = service.waitForPath(MemberPage, 20000);
    ASSERT_TRUE(page.has_value());
    EXPECT_TRUE(onLine(*page, 0)) << page->host.toStdString();
    EXPECT_TRUE(
        zv.waitForTrace(QStringLiteral("loaded"), DevService::lineUrl(0) + MemberPage, 20000));
    icon = waitForTrayIcon(zv.pid(), 15000);
    ASSERT_NE(icon, 0u);

    // 15500 x 10400 twips, the height raised to 10680 by the resize rule, centred on the screen.
    const QSize screen = Desktop::instance().options().screen;
    auto placedAsDesigned = [&] {
        const QRect outer = geometry(mainWindow).outer;
        return outer.size() == QSize(1033, 712) &&
               std::abs(outer.x() - (screen.width() - outer.width()) / 2) <= 1 &&
               std::abs(outer.y() - (screen.height() - outer.height()) / 2) <= 1;
    };
    EXPECT_TRUE(waitUntil(placedAsDesigned, 5000))
        << "outer " << geometry(mainWindow).outer.x() << "," << geometry(mainWindow).outer.y()
        << " " << geometry(mainWindow).outer.width() << "x" << geometry(mainWindow).outer.height();
    EXPECT_TRUE(findWindows(DialogCaption, zv.pid()).isEmpty() ||
                !isMapped(findWindows(DialogCaption, zv.pid()).first()));

    // The first poll takes the baseline; loading the defaults writes nothing.
    ASSERT_TRUE(waitForListPoll(0, 0).has_value());
    settle(PollMs);
    EXPECT_FALSE(zv.hasConfig());
    EXPECT_TRUE(zv.traceOf(QStringLiteral("popup")).isEmpty());
    EXPECT_TRUE(zv.traceOf(QStringLiteral("msgbox")).isEmpty());
}

void MemberDay::rememberLogin()
{
    ASSERT_NO_FATAL_FAILURE(clickMima());
    const WindowId login = waitForWindow(LoginCaption, 10000, zv.pid());
    ASSERT_NE(login, 0u) << describeWindows().toStdString();
    expectConfig("[mima]\r\nmima=1\r\n");

    // The window manager places and focuses the new window (the click below focuses it anyway).
    waitUntil([&] { return activeWindow() == login; }, 5000);
    ASSERT_TRUE(click(login, 144, 36)); // user name box
    ASSERT_TRUE(typeText(login, User));
    ASSERT_TRUE(click(login, 144, 76)); // password box
    ASSERT_TRUE(typeText(login, Pass));
    settle(300);
    ASSERT_TRUE(click(login, 120, 126)); // "保存密码"
    ASSERT_TRUE(zv.waitForTrace(QStringLiteral("msgbox"), QStringLiteral("保存成功")));
    expectConfig("[mima]\r\nmima=1\r\nuser=" + UserGbk + "\r\npass=" + Pass.toLatin1() + "\r\n");

    // The confirmation is a real box; OK closes it and then the login window.
    const WindowId box = waitForWindow(QStringLiteral("Zelvar快报"), 10000, zv.pid());
    ASSERT_NE(box, 0u) << describeWindows().toStdString();
    ASSERT_TRUE(key(box, QStringLiteral("Return")));
    EXPECT_TRUE(waitForNoWindow(LoginCaption, 10000, zv.pid()));
    EXPECT_EQ(zv.traceOf(QStringLiteral("msgbox")), QStringList{QStringLiteral("保存成功")});
}

void MemberDay::logIn()
{
    // The two-second fill types the login into the form, then the page's own login button.
    ASSERT_TRUE(waitForFilledForm(0));
    picture(QStringLiteral("main-window.png"), mainWindow);
    const auto post = submitLogin(0);
    ASSERT_TRUE(post.has_value());
    expectLoginFields(*post);
    EXPECT_TRUE(service
                    .waitForRequest(
                        [](const LogEntry& e) {
                            return e.method == QLatin1String("GET") &&
                                   e.path == QLatin1String("/nc/main.asp") &&
                                   e.header(QStringLiteral("Cookie")).contains("ZVSID");
                        },
                        10000)
                    .has_value());
}

void MemberDay::chooseCategories()
{
    const QByteArray login =
        "[mima]\r\nmima=1\r\nuser=" + UserGbk + "\r\npass=" + Pass.toLatin1() + "\r\n";
    // Check1 is ticked from the start: clearing it writes "0", ticking it again opens the dialog.
    ASSERT_NO_FATAL_FAILURE(clickCheck1());
    expectConfig(login + "[config]\r\nCheck1=0\r\n");
    EXPECT_TRUE(findWindows(DialogCaption, zv.pid()).isEmpty() ||
                !isMapped(findWindows(DialogCaption, zv.pid()).first()));
    ASSERT_NO_FATAL_FAILURE(clickCheck1());
    const WindowId dialog = waitForWindow(DialogCaption, 10000, zv.pid());
    ASSERT_NE(dialog, 0u) << describeWindows().toStdString();
    expectConfig(login + "[config]\r\nCheck1=1\r\n");

    // Designed place: client area at 10155, 5940 twips; 5175 x 1935 twips; on top.
    const WindowGeometry g = geometry(dialog);
    EXPECT_EQ(g.client.size(), QSize(345, 129));
    EXPECT_TRUE(isAbove(dialog));

    // Tick "机构密函" (clear by design), clear "Zelvar公司"; each is written at once.
    ASSERT_TRUE(click(dialog, 104 + 8, 64 + 12));
    expectConfig(login + "[config]\r\nCheck1=1\r\njgmh=1\r\n");
    ASSERT_TRUE(click(dialog, 104 + 8, 16 + 12));
    expectConfig(login + "[config]\r\nCheck1=1\r\njgmh=1\r\nzvgs=0\r\n");
    settle(300);
    picture(QStringLiteral("category-dialog.png"), dialog);

    ASSERT_TRUE(click(dialog, 280, 108)); // "关闭"
    EXPECT_TRUE(waitForNoWindow(DialogCaption, 10000, zv.pid()));
    expectConfig(login + "[config]\r\nCheck1=1\r\njgmh=1\r\nzvgs=0\r\n");
    configAfterDay = zv.configBytes();
}

void MemberDay::noticeForChosenCategoryOnly()
{
    // Both lines change in one list; only the chosen category is announced, with its new item.
    const qint64 before = lastSeq();
    ASSERT_TRUE(service.setList("tx", messageList(Line1New, Line5New)));
    popup = waitForWindow(PopupCaption, PollMs * 5, zv.pid());
    ASSERT_NE(popup, 0u) << describeWindows().toStdString();
    ASSERT_TRUE(zv.waitForTrace(QStringLiteral("sound"), QStringLiteral("ts1.wav")));

    // Two more polls of the new list announce nothing more.
    const auto next = waitForListPoll(before, 0);
    ASSERT_TRUE(next.has_value());
    ASSERT_TRUE(waitForListPoll(next->seq, 0).has_value());
    settle(500);
    EXPECT_EQ(findWindows(PopupCaption, zv.pid()).size(), 1);
    const QStringList popups = zv.traceOf(QStringLiteral("popup"));
    ASSERT_EQ(popups.size(), 1) << popups.join('\n').toStdString();
    EXPECT_TRUE(popups.first().contains(QStringLiteral("机构密函第二号")));
    EXPECT_TRUE(popups.first().contains(DevService::lineUrl(0) + "/nc/show.asp?id=815"));
    EXPECT_EQ(zv.traceOf(QStringLiteral("sound")).size(), 1);
    EXPECT_TRUE(zv.traceOf(QStringLiteral("sound")).first().endsWith(QLatin1String("/ts1.wav")));

    // Bottom-right of the whole screen, on top of other windows.
    const QSize screen = Desktop::instance().options().screen;
    EXPECT_EQ(geometry(popup).client.size(), QSize(230, 102));
    EXPECT_TRUE(isAbove(popup));
    EXPECT_TRUE(waitUntil(
        [&] {
            const QRect outer = geometry(popup).outer;
            return outer.x() == screen.width() - outer.width() - 3 &&
                   outer.y() == screen.height() - outer.height() - 33;
        },
        3000));
    settle(300);
    picture(QStringLiteral("popup.png"), popup);
}

void MemberDay::clickNotice()
{
    ASSERT_TRUE(click(popup, 115, 40));
    const auto item = service.waitForRequest(
        [](const LogEntry& e) {
            return e.path == QLatin1String("/nc/show.asp") &&
                   e.queryItem(QStringLiteral("id")) == QLatin1String("815") && onLine(e, 0);
        },
        15000);
    EXPECT_TRUE(item.has_value());
    EXPECT_TRUE(waitForNoWindow(PopupCaption, 10000, zv.pid()));
    EXPECT_TRUE(waitUntil([&] { return windowState(mainWindow) == WindowState::Normal; }, 10000))
        << toString(windowState(mainWindow));
    // Loaded into the fourth frame: the member page itself stays.
    settle(500);
    for (const QString& url : zv.traceOf(QStringLiteral("loaded")))
        EXPECT_FALSE(url.contains(QLatin1String("show.asp"))) << url.toStdString();
}

void MemberDay::switchLine()
{
    const qint64 before = lastSeq();
    ASSERT_TRUE(click(mainWindow, 128, 14)); // "电信线路", line 1
    const WindowId box = waitForWindow(QStringLiteral("提醒"), 10000, zv.pid());
    ASSERT_NE(box, 0u) << describeWindows().toStdString();
    EXPECT_TRUE(
        zv.waitForTrace(QStringLiteral("msgbox"), QStringLiteral("确定要更换线路并重新登录吗？")));
    // Nothing changes before the member answers.
    EXPECT_EQ(zv.configBytes(), configAfterDay);
    ASSERT_TRUE(key(box, QStringLiteral("Return"))); // OK, the default button
    EXPECT_TRUE(waitForNoWindow(QStringLiteral("提醒"), 10000, zv.pid()));

    configAfterDay += "xianlu=1\r\n";
    expectConfig(configAfterDay);
    const auto page = service.waitForRequest(
        [&](const LogEntry& e) { return e.seq > before && e.path == MemberPage && onLine(e, 1); },
        15000);
    EXPECT_TRUE(page.has_value());
    EXPECT_TRUE(
        zv.waitForTrace(QStringLiteral("loaded"), DevService::lineUrl(1) + MemberPage, 15000));
    // The polls follow the new line.
    EXPECT_TRUE(waitForListPoll(before, 1).has_value());
}

void MemberDay::hideAndRestore()
{
    ASSERT_TRUE(closeWindow(mainWindow));
    EXPECT_TRUE(waitUntil([&] { return !isMapped(mainWindow); }, 10000));
    settle(500);
    EXPECT_TRUE(zv.running());
    EXPECT_TRUE(trayIcons().contains(icon));

    ASSERT_TRUE(clickTrayIcon(icon, 1));
    EXPECT_TRUE(waitUntil([&] { return isVisible(mainWindow); }, 10000));
    EXPECT_EQ(geometry(mainWindow).outer.size(), QSize(1033, 712));
}

void MemberDay::quitFromTray()
{
    EXPECT_FALSE(zv.helpers().isEmpty()); // the engine's helper processes run
    ASSERT_TRUE(clickTrayIcon(icon, 3));
    const WindowId menu = waitForPopupMenu(zv.pid());
    ASSERT_NE(menu, 0u);
    // Two items, "显示程序" over "关闭退出": the member clicks the lower one.
    const QRect items = geometry(menu).client;
    ASSERT_TRUE(clickMenuAt(menu, items.width() / 2, items.height() * 3 / 4));
    ASSERT_TRUE(zv.waitForExit(10000))
        << "still running; menu " << items.width() << "x" << items.height();
    EXPECT_FALSE(zv.crashed());
    EXPECT_TRUE(waitUntil([&] { return zv.leftovers().isEmpty(); }, 5000));
    EXPECT_TRUE(waitUntil([&] { return !trayIcons().contains(icon); }, 5000));
    EXPECT_EQ(zv.configBytes(), configAfterDay);
}

void MemberDay::startAgain()
{
    const qint64 before = lastSeq();
    const qsizetype popupsBefore = zv.traceOf(QStringLiteral("popup")).size();
    ASSERT_TRUE(service.setList("tx", messageList(Line1Old, Line5Old)));
    ASSERT_TRUE(zv.start()) << zv.error().toStdString();
    mainWindow = zv.waitForMainWindow();
    ASSERT_NE(mainWindow, 0u) << describeWindows().toStdString();
    EXPECT_NE(waitForTrayIcon(zv.pid(), 15000), 0u);

    // The stored line: its member page, no confirmation.
    const auto page = service.waitForRequest(
        [&](const LogEntry& e) { return e.seq > before && e.path == MemberPage; }, 20000);
    ASSERT_TRUE(page.has_value());
    EXPECT_TRUE(onLine(*page, 1)) << page->host.toStdString();
    EXPECT_TRUE(
        zv.waitForTrace(QStringLiteral("loaded"), DevService::lineUrl(1) + MemberPage, 20000));

    // The stored login is typed into the new line's form (no session there yet).
    ASSERT_TRUE(waitForFilledForm(1));
    const auto post = submitLogin(1);
    ASSERT_TRUE(post.has_value());
    expectLoginFields(*post);

    // The stored categories: a change of both lines announces "机构密函" alone.
    const auto baseline = waitForListPoll(before, 1);
    ASSERT_TRUE(baseline.has_value());
    settle(500);
    ASSERT_TRUE(service.setList("tx", messageList(Line1New, Line5New)));
    ASSERT_NE(waitForWindow(PopupCaption, PollMs * 5, zv.pid()), 0u);
    const auto after = waitForListPoll(lastSeq(), 1);
    ASSERT_TRUE(after.has_value());
    settle(500);
    const QStringList popups = zv.traceOf(QStringLiteral("popup")).mid(popupsBefore);
    ASSERT_EQ(popups.size(), 1) << popups.join('\n').toStdString();
    EXPECT_TRUE(popups.first().contains(DevService::lineUrl(1) + "/nc/show.asp?id=815"));

    EXPECT_EQ(zv.traceOf(QStringLiteral("msgbox")).size(), 2); // none at this start
    // Loading the preferences rewrote nothing.
    EXPECT_EQ(zv.configBytes(), configAfterDay);
}

TEST_F(MemberDay, walksOneMembersDay)
{
    ASSERT_NO_FATAL_FAILURE(firstStart());
    ASSERT_NO_FATAL_FAILURE(rememberLogin());
    ASSERT_NO_FATAL_FAILURE(logIn());
    ASSERT_NO_FATAL_FAILURE(chooseCategories());
    ASSERT_NO_FATAL_FAILURE(noticeForChosenCategoryOnly());
    ASSERT_NO_FATAL_FAILURE(clickNotice());
    ASSERT_NO_FATAL_FAILURE(switchLine());
    ASSERT_NO_FATAL_FAILURE(hideAndRestore());
    ASSERT_NO_FATAL_FAILURE(quitFromTray());
    ASSERT_NO_FATAL_FAILURE(startAgain());
}

} // namespace
