// What the main window does after loading: login fill, line switch, boxes, closing, tray.
#include "form1fixture.h"

#include "alerts/messagepoll.h"
#include "dialogs/dialog1.h"
#include "support/waitfor.h"
#include "widgets/vbcheckbox.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>

struct GateCase {
    const char* name;
    const char* mimaStored; // "" for no settings file
    const char* user;
    const char* pass;
    int ready;
    bool fills;
};

class DlTimerTest : public Form1Test, public ::testing::WithParamInterface<GateCase>
{
};

TEST_P(DlTimerTest, fillsOnlyThroughAllGates)
{
    const GateCase& c = GetParam();
    if (*c.mimaStored)
        writeConfig(QByteArray("[mima]\r\nmima=") + c.mimaStored + "\r\n");
    Form1* f = load();
    mod_Main::SavedUser = QString::fromUtf8(c.user);
    mod_Main::SavedPass = QString::fromUtf8(c.pass);
    page()->ready = c.ready;
    page()->fourthFrame = loginForm();
    f->dl_Timer();
    FakeBrowser::settle();
    EXPECT_EQ(page()->fillCalls, c.fills ? 1 : 0);
    EXPECT_EQ(page()->fourthFrame[0].value, c.fills ? QString::fromUtf8(c.user) : QString());
    EXPECT_EQ(page()->fourthFrame[1].value, c.fills ? QString::fromUtf8(c.pass) : QString());
}

INSTANTIATE_TEST_SUITE_P(Gates, DlTimerTest,
                         ::testing::Values(GateCase{"allThrough", "1", "会员", "pw", 4, true},
                                           GateCase{"greyedBoxCounts", "2", "u", "pw", 4, true},
                                           GateCase{"boxClear", "", "u", "pw", 4, false},
                                           GateCase{"noUser", "1", "", "pw", 4, false},
                                           GateCase{"noPassword", "1", "u", "", 4, false},
                                           GateCase{"pageLoading", "1", "u", "pw", 3, false}),
                         [](const ::testing::TestParamInfo<GateCase>& i) {
                             return std::string(i.param.name);
                         });

TEST_F(Form1Test, dlTimerRefillsWhatTheMemberTypedAndSurvivesFailures)
{
    writeConfig("[mima]\r\nmima=1\r\nuser=alice\r\npass=pw\r\n");
    Form1* f = load();
    page()->fourthFrame = loginForm();
    page()->fourthFrame[0].value = QStringLiteral("typed");
    f->dl_Timer();
    FakeBrowser::settle();
    EXPECT_EQ(page()->fourthFrame[0].value, QStringLiteral("alice"));

    page()->domFails = true;
    f->dl_Timer();
    FakeBrowser::settle();
    EXPECT_EQ(ends.count, 0);
    page()->domFails = false;
    page()->fourthFrame[0].value = QStringLiteral("typed again");
    f->dl_Timer();
    FakeBrowser::settle();
    EXPECT_EQ(page()->fourthFrame[0].value, QStringLiteral("alice"));
}

TEST_F(Form1Test, dlTimerTypesTheLoginOnlyIntoTheServicesOwnPages)
{
    writeConfig("[mima]\r\nmima=1\r\nuser=alice\r\npass=pw\r\n");
    Form1* f = load();
    const QUrl line3(mod_Main::ServerLines[3]);
    const struct {
        QString url;
        bool fills;
    } cases[] = {
        {QStringLiteral("http://127.0.0.9:18062/nc/main.asp"), false}, // another site
        {QStringLiteral("file:///nc/main.asp"), false},
        {QStringLiteral("https://%1/nc/main.asp").arg(line3.host().toUpper()), true},
        {QStringLiteral("http://%1:1/x").arg(line3.host()), true}, // any port of a line host
    };
    for (const auto& c : cases) {
        page()->fourthFrame = loginForm();
        page()->fourthFrameUrl = c.url;
        f->dl_Timer();
        FakeBrowser::settle();
        EXPECT_EQ(page()->fourthFrame[0].value, c.fills ? QStringLiteral("alice") : QString())
            << c.url.toStdString();
        EXPECT_EQ(page()->fourthFrame[1].value, c.fills ? QStringLiteral("pw") : QString())
            << c.url.toStdString();
    }
}

TEST_F(Form1Test, confirmedLineSwitchStoresAndReloads)
{
    load();
    MessageBox::setNextAnswer(MessageBox::Answer::Ok);
    option1(3)->setChecked(true);
    ASSERT_EQ(MessageBox::shownTexts(),
              QStringList{QStringLiteral("确定要更换线路并重新登录吗？")});
    EXPECT_EQ(mod_Main::CurLine, 3);
    EXPECT_EQ(ini("config", "xianlu"), QStringLiteral("3"));
    ASSERT_EQ(page()->navigations.size(), 2);
    EXPECT_EQ(page()->navigations[1].url, memberPage(3));
}

TEST_F(Form1Test, cancelledLineSwitchChangesNothing)
{
    load();
    MessageBox::setNextAnswer(MessageBox::Answer::Cancel);
    option1(2)->setChecked(true);
    EXPECT_EQ(MessageBox::shownTexts().size(), 1);
    EXPECT_EQ(mod_Main::CurLine, 0);
    EXPECT_FALSE(folder.hasConfig());
    EXPECT_EQ(page()->navigations.size(), 1);
    EXPECT_TRUE(option1(2)->isChecked()); // left as the member set it
}

TEST_F(Form1Test, check1WritesAndOpensCategoriesOnlyWhenTicked)
{
    load();
    if (Dialog1::isLoaded())
        Dialog1::instance()->hide();
    box("Check1")->click();
    EXPECT_EQ(ini("config", "Check1"), QStringLiteral("0"));
    EXPECT_FALSE(Dialog1::isLoaded() && Dialog1::instance()->isVisible());
    box("Check1")->click();
    EXPECT_EQ(ini("config", "Check1"), QStringLiteral("1"));
    ASSERT_TRUE(Dialog1::isLoaded());
    EXPECT_TRUE(Dialog1::instance()->isVisible());
    Dialog1::instance()->hide();
}

TEST_F(Form1Test, plainBoxesWriteTheirStateAtOnce)
{
    load();
    box("shengyin")->click();
    EXPECT_EQ(ini("config", "shengyin"), QStringLiteral("0"));
    box("Check3")->setValue(2);
    EXPECT_EQ(ini("config", "Check3"), QStringLiteral("2"));
    box("Check3")->click(); // a greyed box clicks to checked, as in the category dialog
    EXPECT_EQ(ini("config", "Check3"), QStringLiteral("1"));
}

TEST_F(Form1Test, tickingMimaOpensLoginWindowAndKeepsStoredLogin)
{
    writeConfig("[mima]\r\nuser=bob\r\npass=pw\r\n");
    load();
    box("mima")->click();
    ASSERT_NE(form3(), nullptr);
    EXPECT_TRUE(form3()->isVisible());
    EXPECT_EQ(childOf<QLineEdit>(form3(), "Text1")->text(), QStringLiteral("bob"));
    EXPECT_EQ(ini("mima", "mima"), QStringLiteral("1"));
    EXPECT_EQ(ini("mima", "user"), QStringLiteral("bob"));
    EXPECT_EQ(mod_Main::SavedPass, QStringLiteral("pw"));
}

TEST_F(Form1Test, clearingMimaForgetsTheLogin)
{
    writeConfig("[mima]\r\nmima=1\r\nuser=bob\r\npass=pw\r\n");
    Form1* f = load();
    box("mima")->click();
    EXPECT_EQ(ini("mima", "user"), QString());
    EXPECT_EQ(ini("mima", "pass"), QString());
    EXPECT_EQ(ini("mima", "mima"), QStringLiteral("0"));
    EXPECT_TRUE(mod_Main::SavedUser.isEmpty());
    EXPECT_TRUE(mod_Main::SavedPass.isEmpty());
    EXPECT_EQ(form3(), nullptr);
    page()->fourthFrame = loginForm();
    f->dl_Timer();
    FakeBrowser::settle();
    EXPECT_EQ(page()->fillCalls, 0);
}

// A member page that could not be loaded (no network yet) is asked for again: at once when the
// line answers a poll, else after a wait; a page that loaded, and a page of another site, never.
TEST_F(Form1Test, aMemberPageThatFailedComesBackWhenTheLineAnswers)
{
    load();
    auto* poll = form->findChild<MessagePoll*>();
    ASSERT_NE(poll, nullptr);
    poll->setFetcher([](const QString&) { return std::optional<QString>(QStringLiteral("1,a")); });
    FakeBrowser* browser = page();
    const auto asked = [&] { return browser->navigations.size(); };
    ASSERT_EQ(asked(), 1);

    // No network: asked for again by itself, after a wait.
    emit browser->topLoadEnded(memberPage(0), false);
    EXPECT_EQ(asked(), 1);
    ASSERT_TRUE(waitFor([&] { return asked() == 2; }, 5000));
    EXPECT_EQ(browser->navigations.last().url, memberPage(0));

    // Still none, and the next wait is longer; the line answering a poll does not wait for it.
    emit browser->topLoadEnded(memberPage(0), false);
    poll->TiXing();
    ASSERT_EQ(asked(), 3);
    EXPECT_EQ(browser->navigations.last().url, memberPage(0));
    poll->TiXing(); // the attempt is on its way: not asked twice
    EXPECT_EQ(asked(), 3);

    // Loaded at last: never reloaded behind the member's back.
    emit browser->topLoadEnded(memberPage(0), true);
    poll->TiXing();
    EXPECT_EQ(asked(), 3);
    // A failed page of another site is the member's business.
    emit browser->topLoadEnded(QStringLiteral("http://elsewhere.example/"), false);
    poll->TiXing();
    EXPECT_EQ(asked(), 3);
}

TEST_F(Form1Test, closeBoxHidesAndKeepsRunning)
{
    Form1* f = load();
    f->show();
    closeBox();
    EXPECT_FALSE(f->isVisible());
    EXPECT_EQ(ends.count, 0);
    XEmbedTrayIcon* icon = trayIcon();
    EXPECT_TRUE(icon->isVisible());

    emit icon->clicked(XEmbedTrayIcon::Click::Left);
    EXPECT_TRUE(f->isVisible());
}

TEST_F(Form1Test, closeBoxMinimisesWithoutTray)
{
    tray.set(false);
    Form1* f = load();
    f->show();
    closeBox();
    EXPECT_TRUE(f->isVisible());
    EXPECT_TRUE(f->isMinimized());
    EXPECT_EQ(ends.count, 0);
}

TEST_F(Form1Test, trayLeftClickRestoresMinimisedWindowOtherClicksDoNothing)
{
    Form1* f = load();
    f->showMinimized();
    XEmbedTrayIcon* icon = trayIcon();
    emit icon->clicked(XEmbedTrayIcon::Click::LeftDouble);
    emit icon->clicked(XEmbedTrayIcon::Click::Right);
    EXPECT_TRUE(f->isMinimized());
    emit icon->clicked(XEmbedTrayIcon::Click::Left);
    EXPECT_FALSE(f->isMinimized());
    EXPECT_TRUE(f->isVisible());

    f->hide();
    menuItem("mnuShow")->trigger();
    EXPECT_TRUE(f->isVisible());
}

TEST_F(Form1Test, command2RemovesIconClosesEveryWindowAndEnds)
{
    Form1* f = load();
    f->show();
    Form3::showForm(page());
    ASSERT_NE(form3(), nullptr);
    button("Command2")->click();
    FakeBrowser::settle();
    EXPECT_FALSE(trayIcon()->isVisible());
    EXPECT_EQ(form3(), nullptr);
    EXPECT_EQ(ends.count, 1);
}

TEST_F(Form1Test, mnuQuitEndsAtOnceLeavingWindowsAlone)
{
    Form1* f = load();
    f->show();
    Form3::showForm(page());
    menuItem("mnuQuit")->trigger();
    EXPECT_EQ(ends.count, 1);
    EXPECT_FALSE(trayIcon()->isVisible());
    EXPECT_NE(form3(), nullptr);
}

TEST_F(Form1Test, sessionEndClosesWindowsAndEnds)
{
    Form1* f = load();
    f->show();
    Form3::showForm(page());
    QMetaObject::invokeMethod(qApp, "aboutToQuit", Qt::DirectConnection);
    FakeBrowser::settle();
    EXPECT_EQ(ends.count, 1);
    EXPECT_EQ(form3(), nullptr);
    EXPECT_FALSE(trayIcon()->isVisible());
}

TEST_F(Form1Test, sessionCheckpointWithoutLogoutChangesNothing)
{
    // The session manager saves the session now and then without ending it (commitDataRequest);
    // only its "die", the application quitting (above), ends the program. Nothing of the main
    // window listens to a checkpoint. (A test cannot make a real session manager to send one.)
    Form1* f = load();
    EXPECT_FALSE(QObject::disconnect(qApp, &QGuiApplication::commitDataRequest, f, nullptr));
}

TEST_F(Form1Test, runningTimeLimitEndsTheProgram)
{
    Form1* f = load();
    f->endProgram();
    EXPECT_EQ(ends.count, 1);
    EXPECT_FALSE(trayIcon()->isVisible());
}
