#include "dialogs/form3.h"

#include "net/browser.h"
#include "startup/appstate.h"
#include "startup/settings.h"
#include "startup/twips.h"
#include "widgets/designplace.h"
#include "widgets/messagebox.h"
#include "widgets/windowframe.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace
{
Form3* g_form3 = nullptr;

QString programName()
{
    return QStringLiteral("Zelvar快报");
}
} // namespace

void Form3::showForm(Browser* mainBrowser)
{
    if (!g_form3)
        g_form3 = new Form3(mainBrowser);
    g_form3->show();
}

Form3::Form3(Browser* mainBrowser)
    : QWidget(nullptr, Qt::Window | Qt::WindowStaysOnTopHint), mainBrowser_(mainBrowser),
      Text1_(new QLineEdit(this)), Text2_(new QLineEdit(this)),
      Command1_(new QPushButton(QStringLiteral("保存密码"), this)),
      frameWatch_(new FrameWatch(this, 3000))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("保存密码"));
    resize(Twips::toPixels(3675), Twips::toPixels(2340));

    placeControl(new QLabel(QStringLiteral("用户名："), this), "Label1", 360, 480, 735, 255);
    placeControl(new QLabel(QStringLiteral("密  码："), this), "Label2", 360, 1080, 735, 255);
    placeControl(Text1_, "Text1", 1200, 360, 1935, 375);
    placeControl(Text2_, "Text2", 1200, 960, 1935, 375);
    placeControl(Command1_, "Command1", 480, 1680, 2655, 435);
    // The password is shown as typed.
    Text2_->setEchoMode(QLineEdit::Normal);
    setTabOrder(Text1_, Text2_);
    setTabOrder(Text2_, Command1_);
    connect(Command1_, &QPushButton::clicked, this, &Form3::Command1_Click);

    centreOnScreen();
    // Centred again by its own frame once the window manager has drawn it.
    connect(frameWatch_, &FrameWatch::settled, this, &Form3::centreOnScreen);
    Form_Load();
}

void Form3::centreOnScreen()
{
    const QScreen* s = QGuiApplication::primaryScreen();
    if (!s)
        return;
    // The whole window, frame included, in the middle of the screen.
    const QRect scr = s->geometry();
    const QMargins frame = WindowFrame::expected(this).value_or(QMargins());
    const QSize outer = size().grownBy(frame);
    WindowFrame::moveOuterTo(this,
                             QPoint(scr.x() + (scr.width() - outer.width()) / 2,
                                    scr.y() + (scr.height() - outer.height()) / 2),
                             frame);
}

Form3::~Form3()
{
    if (g_form3 == this)
        g_form3 = nullptr;
}

void Form3::closeEvent(QCloseEvent* event)
{
    // Closed is unloaded: the deletion waits for the event loop, and a showForm() before then
    // must load a new window rather than show the one about to go.
    QWidget::closeEvent(event);
    if (event->isAccepted() && g_form3 == this)
        g_form3 = nullptr;
}

void Form3::Form_Load()
{
    Text1_->setText(mod_Main::SavedUser);
    Text2_->setText(mod_Main::SavedPass);
    Text1_->setFocus();
}

void Form3::Command1_Click()
{
    if (Text1_->text().isEmpty() || Text2_->text().isEmpty()) {
        MessageBox::show(this, QStringLiteral("用户名密码不能为空"), programName(),
                         MessageBox::Icon::None, MessageBox::Buttons::Ok);
        return;
    }
    // This run types the new texts in either way; only the file may fail to take them.
    mod_Main::SavedUser = Text1_->text();
    mod_Main::SavedPass = Text2_->text();
    const bool saved =
        WriteIni(Setting::user, Text1_->text()) && WriteIni(Setting::pass, Text2_->text());
    const QPointer<Form3> self(this);
    MessageBox::show(
        this,
        saved ? QStringLiteral("保存成功")
              : QStringLiteral("保存失败：无法写入设置文件，请检查磁盘空间和文件夹权限！"),
        programName(), MessageBox::Icon::None, MessageBox::Buttons::Ok);
    if (!self || !saved)
        return; // the window stays open: the member may try again once the cause is gone

    // The texts are saved whatever the page does: a page still loading is filled by the login
    // timer later, and a page without the four frames or one that fails is left as it is. The
    // window closes after every successful save.
    if (mainBrowser_ && mainBrowser_->readyState() == 4)
        mainBrowser_->fillLogin(mod_Main::SavedUser, mod_Main::SavedPass, mod_Main::serviceHosts(),
                                [](LoginFillResult) {});
    close();
}

#include "moc_form3.cpp" // meta-object code, compiled with this file
