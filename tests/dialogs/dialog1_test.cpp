// The category dialog: loading from the file, writing each change at once, hidden loading,
// closing and loading again.
#include "dialogs/dialog1.h"
#include "startup/categories.h"
#include "startup/settings.h"
#include "support/programfolder.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <gtest/gtest.h>

namespace
{

class Dialog1Test : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.isValid());
        Dialog1::unload();
    }
    void TearDown() override { Dialog1::unload(); }
    void put(const QByteArray& content) const { folder.writeConfig(content); }
    QByteArray bytes() const { return folder.config(); }
    QString stored(const char* key) const { return folder.read(Setting::category(key)); }
    static std::map<std::string, int> states()
    {
        std::map<std::string, int> s;
        for (const Category& c : Categories)
            s[c.box] = Dialog1::instance()->boxState(QLatin1String(c.box));
        return s;
    }
    static void closeAndFlush(Dialog1* d)
    {
        d->findChild<QPushButton*>(QStringLiteral("OKButton"))->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    ProgramFolder folder;
};

const std::map<std::string, int> kDesign{{"zvgs", 1}, {"zvzb", 1}, {"zvzc", 1}, {"jncz", 1},
                                         {"smnc", 1}, {"jgmh", 0}, {"jdkb", 1}, {"tckb", 1}};

TEST_F(Dialog1Test, firstRunWithoutFileShowsDesignAndWritesNothing)
{
    EXPECT_FALSE(Dialog1::isLoaded());
    EXPECT_EQ(states(), kDesign);
    EXPECT_TRUE(Dialog1::isLoaded());
    EXPECT_FALSE(Dialog1::instance()->isVisible()); // loaded hidden by a read
    Dialog1::showDialog();
    EXPECT_TRUE(Dialog1::instance()->isVisible());
    EXPECT_FALSE(QFile::exists(ConfigPath()));
}

TEST_F(Dialog1Test, loadAppliesStoredStatesAndWritesChangesBack)
{
    put("[config]\r\njgmh=1\r\ntckb=0\r\nzvgs=2\r\nzvzb= 1 \r\n");
    std::map<std::string, int> want = kDesign;
    want["jgmh"] = 1;
    want["tckb"] = 0;
    want["zvgs"] = 2;
    EXPECT_EQ(states(), want);
    // The changed boxes wrote their state again; an equal state wrote nothing.
    EXPECT_EQ(bytes(), QByteArray("[config]\r\njgmh=1\r\ntckb=0\r\nzvgs=2\r\nzvzb= 1 \r\n"));
}

TEST_F(Dialog1Test, loadWritesIntoTheFileWhenItsTextDiffers)
{
    // "1.0" reads as 1: a change of the clear box, whose handling writes the plain "1".
    put("[config]\r\njgmh=1.0\r\n");
    EXPECT_EQ(Dialog1::instance()->boxState(QStringLiteral("jgmh")), 1);
    EXPECT_EQ(stored("jgmh"), QStringLiteral("1"));
}

TEST_F(Dialog1Test, unusableStoredValuesLeaveDesignState)
{
    put("[config]\r\nzvgs=abc\r\nzvzb=7\r\njgmh=1x\r\nzvzc=-1\r\njncz=99999\r\nsmnc=\r\n");
    EXPECT_EQ(states(), kDesign);
    EXPECT_EQ(stored("zvgs"), QStringLiteral("abc")); // nothing rewritten
}

TEST_F(Dialog1Test, clicksWriteAtOnce)
{
    Dialog1::showDialog();
    auto* jgmh = Dialog1::instance()->findChild<QCheckBox*>(QStringLiteral("jgmh"));
    ASSERT_NE(jgmh, nullptr);
    jgmh->click();
    EXPECT_EQ(stored("jgmh"), QStringLiteral("1"));
    jgmh->click();
    EXPECT_EQ(stored("jgmh"), QStringLiteral("0"));
}

TEST_F(Dialog1Test, clickOnGreyedBoxTicksItAndNeverGreys)
{
    put("[config]\r\nsmnc=2\r\n");
    auto* smnc = Dialog1::instance()->findChild<QCheckBox*>(QStringLiteral("smnc"));
    ASSERT_EQ(Dialog1::instance()->boxState(QStringLiteral("smnc")), 2);
    smnc->click();
    EXPECT_EQ(Dialog1::instance()->boxState(QStringLiteral("smnc")), 1);
    smnc->click();
    EXPECT_EQ(Dialog1::instance()->boxState(QStringLiteral("smnc")), 0);
    smnc->click();
    EXPECT_EQ(Dialog1::instance()->boxState(QStringLiteral("smnc")), 1);
    EXPECT_EQ(stored("smnc"), QStringLiteral("1"));
}

TEST_F(Dialog1Test, setFromCodeWritesOnlyOnChange)
{
    Dialog1* d = Dialog1::instance();
    d->setBoxState(QStringLiteral("zvgs"), 1); // equal: nothing
    EXPECT_FALSE(QFile::exists(ConfigPath()));
    d->setBoxState(QStringLiteral("zvgs"), 0);
    EXPECT_EQ(stored("zvgs"), QStringLiteral("0"));
    d->setBoxState(QStringLiteral("zvgs"), 5); // not a state: ignored
    d->setBoxState(QStringLiteral("nosuch"), 1);
    EXPECT_EQ(d->boxState(QStringLiteral("zvgs")), 0);
    EXPECT_EQ(d->boxState(QStringLiteral("nosuch")), -1);
}

TEST_F(Dialog1Test, closeUnloadsAndNextAccessLoadsFromFile)
{
    Dialog1::showDialog();
    Dialog1* first = Dialog1::instance();
    first->findChild<QCheckBox*>(QStringLiteral("zvzc"))->click();
    closeAndFlush(first);
    EXPECT_FALSE(Dialog1::isLoaded());

    // A poll reading a box loads it hidden with the stored choice.
    EXPECT_EQ(Dialog1::instance()->boxState(QStringLiteral("zvzc")), 0);
    EXPECT_FALSE(Dialog1::instance()->isVisible());
    Dialog1* second = Dialog1::instance();
    Dialog1::showDialog();
    EXPECT_EQ(Dialog1::instance(), second);
    EXPECT_TRUE(second->isVisible());

    // The close box and Escape unload the same way.
    second->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(Dialog1::isLoaded());
    Dialog1::showDialog();
    Dialog1::instance()->reject();
    EXPECT_FALSE(Dialog1::isLoaded());
}

TEST_F(Dialog1Test, showingAShownDialogRunsNoLoad)
{
    Dialog1::showDialog();
    Dialog1* d = Dialog1::instance();
    d->setBoxState(QStringLiteral("jdkb"), 0);
    put("[config]\r\njdkb=1\r\n"); // a load now would tick it again
    Dialog1::showDialog();
    EXPECT_EQ(Dialog1::instance(), d);
    EXPECT_EQ(d->boxState(QStringLiteral("jdkb")), 0);
}

TEST_F(Dialog1Test, windowAsDesigned)
{
    Dialog1* d = Dialog1::instance();
    EXPECT_EQ(d->windowTitle(), QStringLiteral("右下角提醒，详细设置"));
    EXPECT_EQ(d->geometry(), QRect(677, 396, 345, 129));
    EXPECT_EQ(d->minimumSize(), d->maximumSize());
    const Qt::WindowFlags f = d->windowFlags();
    EXPECT_TRUE(f & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(f & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(f & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(f & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ((f & Qt::WindowType_Mask), Qt::Tool);

    struct Expect {
        const char* name;
        const char* text;
        QRect geometry;
    };
    const Expect controls[] = {
        {"Label2", "vu系列：", {0, 0, 97, 17}},
        {"zvzc", "Zelvar政策", {24, 16, 81, 25}},
        {"zvgs", "Zelvar公司", {104, 16, 81, 25}},
        {"zvzb", "Zelvar资本", {184, 16, 81, 25}},
        {"jncz", "Zelvar内传真", {264, 16, 81, 25}},
        {"Label1", "Zelvar题材系列：", {0, 48, 113, 17}},
        {"smnc", "私募内参", {24, 64, 81, 25}},
        {"jgmh", "机构密函", {104, 64, 81, 25}},
        {"jdkb", "标题狂飙", {184, 64, 81, 25}},
        {"tckb", "题材快报", {264, 64, 81, 25}},
        {"OKButton", "关闭", {224, 96, 113, 25}},
        {"Label3", "注:勾选上的就提醒，反之不提醒。", {16, 104, 185, 17}},
    };
    for (const Expect& e : controls) {
        QWidget* w = d->findChild<QWidget*>(QLatin1String(e.name));
        ASSERT_NE(w, nullptr) << e.name;
        EXPECT_EQ(w->geometry(), e.geometry) << e.name;
        QString text;
        if (auto* b = qobject_cast<QAbstractButton*>(w))
            text = b->text();
        else if (auto* l = qobject_cast<QLabel*>(w))
            text = l->text();
        EXPECT_EQ(text, QString::fromUtf8(e.text)) << e.name;
    }
}

TEST_F(Dialog1Test, everyCaptionFitsItsBoxAndShortOnesKeepTheirSize)
{
    Dialog1* d = Dialog1::instance();
    d->show();
    for (const Category& c : Categories) {
        auto* b = d->findChild<QCheckBox*>(QLatin1String(c.box));
        ASSERT_NE(b, nullptr) << c.box;
        EXPECT_LE(b->sizeHint().width(), b->width()) << c.box;
        EXPECT_GE(b->font().pointSizeF(), 7) << c.box;
    }
    auto* shortCaption = d->findChild<QCheckBox*>(QStringLiteral("smnc"));
    EXPECT_EQ(shortCaption->font().pointSizeF(), d->font().pointSizeF());
}

TEST_F(Dialog1Test, closeButtonHasFocusAndTabOrderRunsAsDesigned)
{
    Dialog1::showDialog();
    Dialog1* d = Dialog1::instance();
    QWidget* w = d->findChild<QWidget*>(QStringLiteral("OKButton"));
    EXPECT_EQ(d->focusWidget(), w);
    QStringList order;
    for (int i = 0; i < 9; ++i) {
        order << w->objectName();
        w = w->nextInFocusChain();
        while (w->focusPolicy() == Qt::NoFocus)
            w = w->nextInFocusChain();
    }
    EXPECT_EQ(order.join(QLatin1Char(' ')),
              QStringLiteral("OKButton zvzc jncz zvzb zvgs jdkb jgmh smnc tckb"));
}

} // namespace
