// Loading the main window: boxes from the stored settings, the chosen line, the login texts.
#include "form1fixture.h"

#include "dialogs/dialog1.h"
#include "widgets/vbcheckbox.h"

#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

TEST_F(Form1Test, startsFromNoSettingsFileWithDesignStates)
{
    Form1* f = load();
    EXPECT_EQ(f->windowTitle(), QStringLiteral("Zelvar快报 ZV6.2"));
    EXPECT_EQ(box("Check1")->value(), 1);
    EXPECT_EQ(box("shengyin")->value(), 1);
    EXPECT_EQ(box("mima")->value(), 0);
    EXPECT_TRUE(option1(0)->isChecked());
    ASSERT_EQ(page()->navigations.size(), 1);
    EXPECT_EQ(page()->navigations[0].url, memberPage(0));
    EXPECT_TRUE(page()->silent);
    EXPECT_TRUE(timer("dl")->isActive());
    EXPECT_EQ(timer("dl")->interval(), 2000);
    EXPECT_TRUE(trayIcon()->isVisible());
    EXPECT_EQ(trayIcon()->toolTip(), QStringLiteral("Zelvar快报+首席Zelvar宝"));
    EXPECT_TRUE(MessageBox::shownTexts().isEmpty());
    EXPECT_FALSE(folder.hasConfig()); // nothing is written by the load
    EXPECT_FALSE(Dialog1::isLoaded() && Dialog1::instance()->isVisible());

    // Hidden controls stay hidden; the right-hand ones follow the width.
    f->show();
    FakeBrowser::settle();
    EXPECT_FALSE(option1(4)->isVisible());
    EXPECT_FALSE(box("Check2")->isVisible());
    EXPECT_FALSE(box("Check3")->isVisible());
    EXPECT_FALSE(box("Check4")->isVisible());
    EXPECT_FALSE(button("Command1")->isVisible());
    const QSize outer = f->frameGeometry().size();
    EXPECT_EQ(outer.width(), 1033);
    EXPECT_EQ(outer.height(), 712); // 10400 raised to 10680 twips by the resize rule
    // Centred on the 1280 × 1024 screen by the size it keeps, not by the design's 10400 twips.
    EXPECT_EQ(f->frameGeometry().topLeft(), QPoint(124, 156));
    EXPECT_EQ(button("Command2")->x(), outer.width() - 73);
    EXPECT_EQ(box("mima")->x(), outer.width() - 238);
    EXPECT_EQ(page()->widget()->geometry(), QRect(0, 27, outer.width() - 9, outer.height() - 60));

    // The load is over: a line button asks before it switches, and the remember box acts.
    MessageBox::setNextAnswer(MessageBox::Answer::Cancel);
    option1(1)->click();
    EXPECT_EQ(MessageBox::shownTexts(),
              QStringList{QStringLiteral("确定要更换线路并重新登录吗？")});
    box("mima")->click();
    EXPECT_NE(form3(), nullptr);
}

TEST_F(Form1Test, storedCheck1ZeroIsWrittenBackAndOpensNothing)
{
    writeConfig("[config]\r\nCheck1=\"0\"\r\n");
    load();
    EXPECT_EQ(box("Check1")->value(), 0);
    // The change handling wrote the value back as plain text.
    EXPECT_TRUE(configBytes().contains("Check1=0")) << configBytes().constData();
    EXPECT_FALSE(configBytes().contains("\"0\""));
    EXPECT_FALSE(Dialog1::isLoaded() && Dialog1::instance()->isVisible());
}

TEST_F(Form1Test, storedMimaWithLoginChecksBoxWithoutTouchingIt)
{
    writeConfig("[mima]\r\nmima=1\r\nuser=member01\r\npass=s3cret\r\n");
    const QByteArray before = configBytes();
    load();
    EXPECT_EQ(box("mima")->value(), 1);
    EXPECT_EQ(form3(), nullptr);
    EXPECT_EQ(mod_Main::SavedUser, QStringLiteral("member01"));
    EXPECT_EQ(mod_Main::SavedPass, QStringLiteral("s3cret"));
    EXPECT_EQ(configBytes(), before);
}

TEST_F(Form1Test, storedLineThreeOpensItsPageWithoutAsking)
{
    writeConfig("[config]\r\nxianlu=3\r\n");
    mod_Main::CurLine = 3; // read by the start-up from "xianlu"
    load();
    EXPECT_TRUE(option1(3)->isChecked());
    EXPECT_TRUE(MessageBox::shownTexts().isEmpty());
    ASSERT_EQ(page()->navigations.size(), 1);
    EXPECT_EQ(page()->navigations[0].url, memberPage(3));
    EXPECT_EQ(ini("config", "xianlu"), QStringLiteral("3"));
}

TEST_F(Form1Test, storedLineWithoutEntryFallsBackToLineZero)
{
    for (qint16 stored : {qint16(9), qint16(4), qint16(-2)}) {
        factory.made.clear();
        mod_Main::CurLine = stored;
        load();
        EXPECT_EQ(mod_Main::CurLine, 0) << stored;
        EXPECT_TRUE(option1(0)->isChecked()) << stored;
        EXPECT_FALSE(option1(4)->isChecked()) << stored;
        ASSERT_EQ(page()->navigations.size(), 1);
        EXPECT_EQ(page()->navigations[0].url, memberPage(0)) << stored;
        EXPECT_TRUE(MessageBox::shownTexts().isEmpty());
        EXPECT_FALSE(folder.hasConfig());
    }
}

TEST_F(Form1Test, handEditedBoxValuesLeaveDesignStates)
{
    writeConfig("[config]\r\nCheck1=abc\r\nshengyin=7\r\nCheck2=-1\r\n"
                "[mima]\r\nmima=1x\r\n");
    const QByteArray before = configBytes();
    load();
    EXPECT_EQ(box("Check1")->value(), 1);
    EXPECT_EQ(box("shengyin")->value(), 1);
    EXPECT_EQ(box("Check2")->value(), 0);
    EXPECT_EQ(box("mima")->value(), 0);
    EXPECT_EQ(configBytes(), before);
}

TEST_F(Form1Test, everyWindowReadsAStoredBoxTextAlike)
{
    // Check2 belongs to the main window, jgmh to the category dialog; both are clear by design.
    for (const char* text : {"1D0", "2e0", " 1 ", "1.5", "2.5", "7", "1x", "-0"}) {
        writeConfig(QByteArray("[config]\r\nCheck2=") + text + "\r\njgmh=" + text + "\r\n");
        load();
        EXPECT_EQ(box("Check2")->value(), Dialog1::instance()->boxState(QStringLiteral("jgmh")))
            << text;
        form.reset();
        Dialog1::unload();
    }
}

TEST_F(Form1Test, storedStatesOfEveryBoxAreApplied)
{
    writeConfig("[config]\r\nCheck1=2\r\nCheck2=1\r\nCheck3=1\r\nCheck4=2\r\nshengyin=0\r\n");
    load();
    EXPECT_EQ(box("Check1")->value(), 2);
    EXPECT_EQ(box("Check2")->value(), 1);
    EXPECT_EQ(box("Check3")->value(), 1);
    EXPECT_EQ(box("Check4")->value(), 2);
    EXPECT_EQ(box("shengyin")->value(), 0);
    // A greyed Check1 is not "checked": no category dialog.
    EXPECT_FALSE(Dialog1::isLoaded() && Dialog1::instance()->isVisible());
    // Each changed box wrote itself back.
    EXPECT_EQ(ini("config", "Check4"), QStringLiteral("2"));
    EXPECT_EQ(ini("config", "shengyin"), QStringLiteral("0"));
}
