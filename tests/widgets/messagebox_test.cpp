// Message boxes as the member meets them: real boxes (nothing scripted) with Chinese buttons, and
// a box whose parent window goes away while it is open.
#include "startup/uilanguage.h"
#include "support/messageboxes.h"
#include "widgets/messagebox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QTranslator>
#include <gtest/gtest.h>

namespace
{

// The program's language for one test; the translations go again at its end.
class ChineseUi
{
public:
    ChineseUi() : installed(UiLanguage::install(*qApp)) {}
    ~ChineseUi()
    {
        for (QTranslator* t : qApp->findChildren<QTranslator*>(Qt::FindDirectChildrenOnly)) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
        QLocale::setDefault(QLocale::system());
    }
    const int installed;
};

// The box open now, once it is there.
QMessageBox* openBox()
{
    return qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
}

// Nothing queued: every box really shows, and the tests answer it.
class RealMessageBox : public ::testing::Test
{
protected:
    ScriptedMessageBoxes cleanStart;
};

TEST_F(RealMessageBox, buttonsSpeakChineseWhateverTheSystemLocale)
{
    ChineseUi ui;
    ASSERT_EQ(ui.installed, 2) << "Qt's Chinese translations (qt6-translations-l10n) are missing";
    QStringList texts;
    QTimer::singleShot(50, [&] {
        QMessageBox* box = openBox();
        ASSERT_NE(box, nullptr);
        for (QAbstractButton* b : box->buttons())
            texts << b->text();
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(MessageBox::show(nullptr, QStringLiteral("确定要更换线路并重新登录吗？"),
                               QStringLiteral("提醒"), MessageBox::Icon::Question,
                               MessageBox::Buttons::OkCancel),
              MessageBox::Answer::Ok);
    texts.sort();
    EXPECT_EQ(texts, (QStringList{QStringLiteral("取消"), QStringLiteral("确定")}));
}

TEST_F(RealMessageBox, escapeAnswersCancel)
{
    QTimer::singleShot(50, [] {
        if (QMessageBox* box = openBox())
            box->reject();
    });
    EXPECT_EQ(MessageBox::show(nullptr, QStringLiteral("问"), QString(), MessageBox::Icon::Question,
                               MessageBox::Buttons::OkCancel),
              MessageBox::Answer::Cancel);
}

TEST_F(RealMessageBox, parentGoingAwayWhileTheBoxIsOpenTakesTheBoxAlong)
{
    // A popup closed by a later notice while its own box is open: the box goes with it, and the
    // caller is told Cancel instead of crashing.
    auto* parent = new QWidget;
    parent->show();
    QPointer<QMessageBox> seen;
    QTimer::singleShot(50, [&seen, parent] {
        seen = openBox();
        delete parent;
    });
    EXPECT_EQ(MessageBox::show(parent,
                               QStringLiteral("主窗口未正常加载，请尝试重启软件或检查网络！"),
                               QString(), MessageBox::Icon::None, MessageBox::Buttons::Ok),
              MessageBox::Answer::Cancel);
    EXPECT_TRUE(seen.isNull());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

} // namespace
