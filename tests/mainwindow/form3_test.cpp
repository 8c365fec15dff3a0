// The login details window: saving, the once-only fill of the member page, closing.
#include "form1fixture.h"

#include "widgets/vbcheckbox.h"

#include <QDir>
#include <QLineEdit>
#include <QPushButton>

class Form3Test : public Form1Test
{
protected:
    Form3* open()
    {
        load();
        Form3::showForm(page());
        return form3();
    }

    void save(const QString& user, const QString& pass)
    {
        Form3* w = form3();
        childOf<QLineEdit>(w, "Text1")->setText(user);
        childOf<QLineEdit>(w, "Text2")->setText(pass);
        MessageBox::setNextAnswer(MessageBox::Answer::Ok); // every path shows one box
        childOf<QPushButton>(w, "Command1")->click();
        FakeBrowser::settle();
    }
};

TEST_F(Form3Test, opensWithSavedTextsInClearAndOnTop)
{
    writeConfig("[mima]\r\nuser=carol\r\npass=pw1\r\n");
    Form3* w = open();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("保存密码"));
    EXPECT_EQ(childOf<QLineEdit>(w, "Text1")->text(), QStringLiteral("carol"));
    EXPECT_EQ(childOf<QLineEdit>(w, "Text2")->text(), QStringLiteral("pw1"));
    EXPECT_EQ(childOf<QLineEdit>(w, "Text2")->echoMode(), QLineEdit::Normal);
    EXPECT_TRUE(w->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(w->size(), QSize(245, 156));

    // Showing it again keeps what the member typed.
    childOf<QLineEdit>(w, "Text1")->setText(QStringLiteral("typing"));
    Form3::showForm(page());
    EXPECT_EQ(form3(), w);
    EXPECT_EQ(childOf<QLineEdit>(w, "Text1")->text(), QStringLiteral("typing"));
}

TEST_F(Form3Test, showingAgainRightAfterACloseGivesALiveWindow)
{
    Form3* w = open();
    w->close();
    // Before the closed window's deferred deletion has run.
    Form3::showForm(page());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_NE(form3(), nullptr);
    EXPECT_TRUE(form3()->isVisible());
}

TEST_F(Form3Test, emptyFieldSavesNothingAndStaysOpen)
{
    open();
    for (const auto& [user, pass] :
         {std::pair{QString(), QStringLiteral("pw")}, std::pair{QStringLiteral("u"), QString()}}) {
        MessageBox::resetForTesting();
        save(user, pass);
        EXPECT_EQ(MessageBox::shownTexts(), QStringList{QStringLiteral("用户名密码不能为空")});
        EXPECT_NE(form3(), nullptr);
        EXPECT_FALSE(folder.hasConfig());
        EXPECT_TRUE(mod_Main::SavedUser.isEmpty());
    }
}

TEST_F(Form3Test, saveWhileLoadingStoresAndClosesWithoutFill)
{
    open();
    page()->ready = 1;
    save(QStringLiteral(" dave "), QStringLiteral("pw"));
    EXPECT_EQ(MessageBox::shownTexts(), QStringList{QStringLiteral("保存成功")});
    EXPECT_EQ(mod_Main::SavedUser, QStringLiteral(" dave ")); // blanks kept
    EXPECT_EQ(mod_Main::SavedPass, QStringLiteral("pw"));
    EXPECT_EQ(ini("mima", "pass"), QStringLiteral("pw"));
    EXPECT_TRUE(configBytes().contains(" dave ")) << configBytes().constData();
    EXPECT_EQ(page()->fillCalls, 0);
    EXPECT_EQ(form3(), nullptr);
}

TEST_F(Form3Test, saveOnCompletePageFillsEvenWithMimaClear)
{
    Form3* w = open();
    ASSERT_EQ(box("mima")->checkState(), Qt::Unchecked);
    page()->fourthFrame = loginForm();
    // Quotes, markup, backslashes and script text reach the field exactly as typed.
    const QString hostile = QStringLiteral("a'\"</script><b>\\n${x}`);alert(1)//密");
    save(QStringLiteral("erin"), hostile);
    EXPECT_EQ(page()->fillCalls, 1);
    EXPECT_EQ(page()->fourthFrame[0].value, QStringLiteral("erin"));
    EXPECT_EQ(page()->fourthFrame[1].value, hostile);
    EXPECT_EQ(mod_Main::SavedPass, hostile);
    EXPECT_EQ(form3(), nullptr);
    Q_UNUSED(w);
}

TEST_F(Form3Test, saveClosesWhateverThePageLooksLike)
{
    struct Case {
        int frames;
        bool domFails;
    };
    for (const Case c : {Case{3, false}, Case{5, false}, Case{4, true}}) {
        open();
        page()->frames = c.frames;
        page()->domFails = c.domFails;
        page()->fourthFrame = loginForm();
        save(QStringLiteral("u"), QStringLiteral("p"));
        EXPECT_EQ(mod_Main::SavedUser, QStringLiteral("u"));
        EXPECT_EQ(ini("mima", "user"), QStringLiteral("u"));
        EXPECT_TRUE(page()->fourthFrame[0].value.isEmpty());
        EXPECT_EQ(form3(), nullptr) << c.frames;
        EXPECT_EQ(ends.count, 0);
        factory.made.clear();
    }
}

TEST_F(Form3Test, aSaveTheFileCannotTakeSaysSoAndStaysOpen)
{
    // Something the settings file cannot be written as (a folder in its place; likewise a full
    // disk or a folder the member may not write into).
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("config.ini")));
    open();
    page()->fourthFrame = loginForm();
    save(QStringLiteral("u"), QStringLiteral("p"));
    ASSERT_EQ(MessageBox::shownTexts().size(), 1);
    EXPECT_NE(MessageBox::shownTexts().first(), QStringLiteral("保存成功"));
    EXPECT_TRUE(MessageBox::shownTexts().first().startsWith(QStringLiteral("保存失败")));
    EXPECT_NE(form3(), nullptr); // the member may try again
    // This run still types what the member gave.
    EXPECT_EQ(mod_Main::SavedUser, QStringLiteral("u"));
    EXPECT_EQ(mod_Main::SavedPass, QStringLiteral("p"));
}
