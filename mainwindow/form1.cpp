#include "mainwindow/form1.h"

#include "alerts/cleartmp.h"
#include "alerts/messagepoll.h"
#include "alerts/wavplayer.h"
#include "dialogs/dialog1.h"
#include "dialogs/form3.h"
#include "mainwindow/form1rules.h"
#include "mainwindow/layoutrule.h"
#include "mainwindow/newwindowhandoff.h"
#include "mainwindow/pagerecovery.h"
#include "mainwindow/processend.h"
#include "net/browser.h"
#include "notices/noticecentre.h"
#include "popup/msnnotifier.h"
#include "startup/appstate.h"
#include "startup/boxstate.h"
#include "startup/categories.h"
#include "startup/settings.h"
#include "startup/trace.h"
#include "startup/twips.h"
#include "tray/traycontroller.h"
#include "widgets/appicon.h"
#include "widgets/designplace.h"
#include "widgets/messagebox.h"
#include "widgets/vbcheckbox.h"
#include "widgets/windowactivation.h"
#include "widgets/windowframe.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>

namespace
{

// Places a control at its design-time place in twips, under its design name. A control whose
// design height is below what its text and indicator need keeps its vertical centre and grows to
// that height.
void place(QWidget* w, const char* name, int left, int top, int width, int height)
{
    placeControl(w, name, left, top, width, height);
    const int h = w->height();
    const int needed = std::max(h, w->sizeHint().height());
    w->setGeometry(w->x(), std::max(0, w->y() - (needed - h) / 2), w->width(), needed);
}

void moveLeft(QWidget* w, int leftTwips)
{
    w->move(Twips::toPixels(leftTwips), w->y());
}

QLabel* separator(QWidget* parent)
{
    auto* bar = new QLabel(parent);
    bar->setAutoFillBackground(true);
    QPalette pal = bar->palette();
    pal.setColor(QPalette::Window, QColor(0xab, 0xab, 0xab));
    bar->setPalette(pal);
    return bar;
}

} // namespace

Form1::Form1(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Zelvar快报 ZV6.2"));
    setWindowIcon(AppIcon::icon());
    // The program lives on in the tray when its last window closes; only the ways out below
    // end it.
    QApplication::setQuitOnLastWindowClosed(false);

    buildControls();
    Trace::step("controls");

    WebBrowser1_ = makeBrowser(this);
    if (WebBrowser1_->widget()->parentWidget() != this)
        WebBrowser1_->widget()->setParent(this);
    Trace::step("browser");
    tray_ = new TrayController(this);
    Trace::step("tray");
    connect(tray_, &TrayController::activated, this, &Form1::restoreAndFocus);
    // A notification area that goes while the window is hidden in it (a panel that crashed) and
    // does not come back: the window comes back minimised, so that something on the screen
    // still leads to the program.
    trayGone_ = new QTimer(this);
    trayGone_->setSingleShot(true);
    trayGone_->setInterval(kTrayGoneGraceMs);
    connect(tray_, &TrayController::iconShownChanged, this, [this](bool shown) {
        if (shown)
            trayGone_->stop();
        else if (!isVisible())
            trayGone_->start();
    });
    connect(trayGone_, &QTimer::timeout, this, [this] {
        if (!tray_->iconShown() && !isVisible())
            showMinimized();
    });
    connect(tray_, &TrayController::showRequested, this, &Form1::mnuShow_Click);
    connect(tray_, &TrayController::quitRequested, this, &Form1::mnuQuit_Click);
    // The day's notices: in the tray's menu, marked there while missed ones wait. The member
    // looking at the list, or coming back through the tray, has seen that they came.
    notices_ = new NoticeCentre(this);
    Trace::step("notices");
    connect(notices_, &NoticeCentre::changed, tray_,
            [this] { tray_->showNotices(notices_->recent()); });
    connect(notices_, &NoticeCentre::openRequested, this, &Form1::openNotice);
    connect(tray_, &TrayController::noticeChosen, this, &Form1::openNotice);
    for (auto looked : {&TrayController::noticesOpened, &TrayController::activated,
                        &TrayController::showRequested})
        connect(tray_, looked, notices_, &NoticeCentre::acknowledge);
    tray_->showNotices(notices_->recent());
    msn_ = new MsnNotifier(this, WebBrowser1_, notices_, this);
    wav_ = new WavPlayer(this);
    poll_ = new MessagePoll(*this, this);
    // A member page that could not be loaded comes back by itself once the service answers.
    recovery_ = new PageRecovery(
        WebBrowser1_,
        [](const QString& url) {
            return mod_Main::serviceHosts().contains(QUrl(url).host(), Qt::CaseInsensitive);
        },
        this);
    connect(poll_, &MessagePoll::lineAnswered, recovery_, &PageRecovery::serviceAnswered);

    // The load's size and place are redone once the window manager has reported its frame (a
    // later showing finds nothing left to redo).
    frameWatch_ = new FrameWatch(this);
    connect(frameWatch_, &FrameWatch::settled, this, [this] {
        applyLoadGeometryForFrame();
        loadOuterTwips_ = QSize();
    });

    dl_ = new QTimer(this);
    dl_->setObjectName(QStringLiteral("dl"));
    dl_->setInterval(2000);
    connect(dl_, &QTimer::timeout, this, &Form1::dl_Timer);

    // The desktop session ending (the session manager's "die") quits the application; a mere
    // checkpoint (commitDataRequest without a logout) changes nothing.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &Form1::Form_Unload);

    Form_Load();
}

Form1::~Form1() = default;

void Form1::buildControls()
{
    QFont f = font();
    f.setPointSize(9);
    setFont(f);

    place(new QLabel(QStringLiteral("线路选择："), this), "Label2", 120, 120, 900, 180);

    static const char* const captions[5] = {"自动", "电信线路", "联通线路", "其它线路", "联通2"};
    static const int geometry[5][4] = {{960, 60, 795, 315},
                                       {1800, 60, 1335, 315},
                                       {3000, 60, 1335, 315},
                                       {4200, 120, 1095, 180},
                                       {4200, 480, 1095, 180}};
    // A control array: five buttons of one name, in index order.
    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    for (int i = 0; i < 5; ++i) {
        auto* b = new QRadioButton(QString::fromUtf8(captions[i]), this);
        place(b, "Option1", geometry[i][0], geometry[i][1], geometry[i][2], geometry[i][3]);
        group->addButton(b, i);
        Option1_[i] = b;
        connect(b, &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                Option1_Click(i);
        });
    }
    Option1_[4]->hide();

    place(separator(this), "Label4", 5400, 0, 45, 465);
    place(new QLabel(QStringLiteral("提醒设置："), this), "Label1", 5520, 120, 900, 300);

    Check1_ = new VbCheckBox(QStringLiteral("右下角提示详细设置"), this);
    Check1_->setToolTip(QStringLiteral("开启/关闭提醒，点击弹出详细设置"));
    Check1_->setValue(1);
    place(Check1_, "Check1", 6480, 120, 2775, 180);
    Check2_ = new VbCheckBox(QStringLiteral("Zelvar宝系列"), this);
    place(Check2_, "Check2", 8280, 120, 1275, 180);
    Check2_->hide();
    Check3_ = new VbCheckBox(QStringLiteral("voVIP内参"), this);
    place(Check3_, "Check3", 9000, 2160, 1815, 255);
    Check3_->hide();
    Check4_ = new VbCheckBox(QStringLiteral("红名单"), this);
    place(Check4_, "Check4", 11280, 2160, 1215, 255);
    Check4_->hide();
    shengyin_ = new VbCheckBox(QStringLiteral("声音总开/关"), this);
    shengyin_->setValue(1);
    place(shengyin_, "shengyin", 9840, 120, 1335, 180);

    place(separator(this), "Label5", 11520, 0, 45, 465);

    mima_ = new VbCheckBox(QStringLiteral("记住登录密码"), this);
    place(mima_, "mima", 12960, 60, 1455, 315);
    Command2_ = new QPushButton(QStringLiteral("关闭退出"), this);
    place(Command2_, "Command2", 14340, 60, 975, 315);
    Command1_ = new QPushButton(QStringLiteral("推广设置"), this);
    place(Command1_, "Command1", 13320, 960, 975, 315);
    Command1_->hide();

    connect(Check1_, VbCheckBox::Changed, this, &Form1::Check1_Click);
    connect(Check2_, VbCheckBox::Changed, this,
            [this] { checkBoxChanged(Check2_, Setting::Check2); });
    connect(Check3_, VbCheckBox::Changed, this,
            [this] { checkBoxChanged(Check3_, Setting::Check3); });
    connect(Check4_, VbCheckBox::Changed, this,
            [this] { checkBoxChanged(Check4_, Setting::Check4); });
    connect(shengyin_, VbCheckBox::Changed, this,
            [this] { checkBoxChanged(shengyin_, Setting::shengyin); });
    connect(mima_, VbCheckBox::Changed, this, &Form1::mima_Click);
    connect(Command2_, &QPushButton::clicked, this, &Form1::Command2_Click);
}

void Form1::Form_Load()
{
    // New-window requests of the member page go through the hand-off, never to the engine.
    handoff_ = new NewWindowHandoff(this, this);
    connect(
        WebBrowser1_, &Browser::newWindow, handoff_,
        [this](NewWindowRequest& request) { handoff_->Web_V1_NewWindow(request); },
        Qt::DirectConnection);
    connect(WebBrowser1_, &Browser::memberInput, handoff_, &NewWindowHandoff::memberInput);
    if (Trace::enabled()) {
        // Lets the tests and the benchmark see when a page of the main window has loaded.
        connect(WebBrowser1_, &Browser::documentComplete, this,
                [](quint64, const QString& url, bool isTop) {
                    if (!isTop)
                        return;
                    Trace::step("loaded");
                    Trace::event(QStringLiteral("loaded"), url);
                });
    }

    blnLoading_ = true;
    config();
    Trace::step("config");
    ClearTmp();
    poll_->armTimer1();

    setOuterSize(15500, 10400);
    centreOnScreen();

    // A stored index without a line (a hand-edited file) opens line 0.
    mod_Main::CurLine = static_cast<qint16>(Form1Rules::effectiveLine(mod_Main::CurLine));
    Option1_[mod_Main::CurLine]->setChecked(true);
    Trace::step("placed");

    loadMemberPage();
    Trace::step("request");
    // The window manager is asked now what frame it will draw, so that its answer is there when
    // the window is shown, and the load's size and place need not be redone while the page
    // loads. Not before: the engine puts its view into the window when the page is first asked
    // for, and the window is made anew for it.
    WindowFrame::askAhead(this);
    Trace::step("frame asked");
    WebBrowser1_->setSilent(true);

    mod_Main::SavedUser = ReadIni(Setting::user);
    mod_Main::SavedPass = ReadIni(Setting::pass);

    dl_->start();

    blnTemp_ = true;
    poll_->markStart();

    tray_->add();
    Trace::step("tray added");
    blnLoading_ = false;
    // The tray and the notices wait on the desktop (the session bus, the X server's tray): they
    // join it once the page's request is on its way, not before.
    QTimer::singleShot(0, this, &Form1::startTrayAndNotices);
}

void Form1::startTrayAndNotices()
{
    tray_->start();
    Trace::step("tray started");
    notices_->start();
    Trace::step("notices started");
}

void Form1::config()
{
    blnTemp_ = false;
    const QString path = ConfigPath();
    if (!QFileInfo(path).isFile())
        return;

    auto load = [](VbCheckBox* box, const SettingKey& setting) {
        if (const std::optional<int> v = BoxState::fromIni(ReadIni(setting)))
            box->setValue(*v);
    };
    load(Check1_, Setting::Check1);
    load(Check2_, Setting::Check2);
    load(Check3_, Setting::Check3);
    load(Check4_, Setting::Check4);
    for (const Category& c : Categories) {
        if (!c.mainWindowLoads)
            continue;
        if (const std::optional<int> v = BoxState::fromIni(ReadIni(Setting::category(c.box))))
            Dialog1::instance()->setBoxState(QLatin1String(c.box), *v);
    }
    load(shengyin_, Setting::shengyin);
    load(mima_, Setting::mima);
}

QMargins Form1::frame() const
{
    return WindowFrame::known(this).value_or(QMargins());
}

QSize Form1::clientSizeFor(QSize outerPx, const QMargins& frame) const
{
    QSize client = outerPx.shrunkBy(frame);
    // Never more than the screen: a window manager fits such a window into the screen anyway,
    // and some grant the whole work area instead.
    if (const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen())
        client = client.boundedTo(s->geometry().size());
    return client;
}

void Form1::setOuterSize(int widthTwips, int heightTwips)
{
    // Raised at once to the smallest size the resize rule keeps: the window is centred by the size
    // it ends with. The rule's own raise may come only after the window is placed (a hidden
    // window's resize event waits for its showing, a shown one's may wait for the window system).
    loadOuterTwips_ = LayoutRule::raised(QSize(widthTwips, heightTwips));
    loadFrame_ = frame();
    // A size the program sets itself starts afresh: the resize rule may ask again.
    clampAskedFor_ = QSize();
    resize(clientSizeFor(Twips::toPixels(loadOuterTwips_), loadFrame_));
}

void Form1::centreOnScreen()
{
    QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s)
        return;
    const QRect scr = s->geometry();
    const QMargins f = frame();
    const QSize outer = size().grownBy(f);
    // Halves are kept until the move is converted to pixels; a screen smaller than the window
    // gives negative places, applied as they are.
    const double left = (Twips::fromPixels(scr.width()) - Twips::fromPixels(outer.width())) / 2.0;
    const double top = (Twips::fromPixels(scr.height()) - Twips::fromPixels(outer.height())) / 2.0;
    WindowFrame::moveOuterTo(
        this, QPoint(scr.x() + Twips::toPixels(left), scr.y() + Twips::toPixels(top)), f);
}

void Form1::Form_Resize()
{
    LayoutRule::State state = LayoutRule::State::Normal;
    if (windowState() & Qt::WindowMinimized)
        state = LayoutRule::State::Minimized;
    else if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))
        state = LayoutRule::State::Maximized;

    // The frame does not change with the size: read once.
    const QMargins f = frame();
    const auto rule = [this, state, &f] {
        return LayoutRule::apply(Twips::fromPixels(size().grownBy(f)), Twips::fromPixels(size()),
                                 state);
    };
    LayoutRule::Result r = rule();
    if (!r.place)
        return;
    if (r.resize) {
        // Asked once for each size the window system reports, not again when it reports the
        // same size anew: a window manager that refuses the size (a tiling one, a screen smaller
        // than the minimum) may first grant it and then put its own size back, and asking again
        // on every such answer would trade sizes with it for ever. Once the window has been at
        // a legal size that the program did not ask for (the member or the manager gave it one),
        // it asks again.
        const QSize outerPx = size().grownBy(f);
        if (!clamping_ && outerPx != clampAskedFor_) {
            clampAskedFor_ = outerPx;
            clampTarget_ = clientSizeFor(Twips::toPixels(r.raised), f);
            // The resize reports the asked size at once, before the window manager answers;
            // that nested run places the controls for it.
            clamping_ = true;
            resize(clampTarget_);
            clamping_ = false;
            // Read afresh: the size the window has now, granted or not.
            r = rule();
        }
    } else if (!clamping_ && size() != clampTarget_) {
        clampAskedFor_ = QSize();
        clampTarget_ = QSize();
    }

    moveLeft(Command2_, r.command2Left);
    moveLeft(Command1_, r.command1Left);
    moveLeft(mima_, r.mimaLeft);
    WebBrowser1_->widget()->setGeometry(Twips::toPixels(r.browser));
    if (Trace::enabled()) {
        const auto text = [](const QRect& g) {
            return QStringLiteral("%1,%2,%3x%4")
                .arg(g.x())
                .arg(g.y())
                .arg(g.width())
                .arg(g.height());
        };
        Trace::event(QStringLiteral("layout"),
                     QStringLiteral("client %1 Command2 %2 mima %3 browser %4")
                         .arg(text(rect()), text(Command2_->geometry()), text(mima_->geometry()),
                              text(WebBrowser1_->widget()->geometry())));
    }
}

void Form1::applyLoadGeometryForFrame(bool final)
{
    if (!loadOuterTwips_.isValid() || !isVisible())
        return;
    const QMargins f = frame();
    if (f == loadFrame_)
        return;
    const QSize outer = loadOuterTwips_;
    setOuterSize(outer.width(), outer.height());
    centreOnScreen();
    // The real frame is known: the load's size and place are final.
    if (final)
        loadOuterTwips_ = QSize();
}

void Form1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Not mapped yet: a frame known now is the one the window manager said it would draw
    // (askAhead), which the frame it draws may still correct.
    applyLoadGeometryForFrame(false);
}

void Form1::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    applyLoadGeometryForFrame();
}

void Form1::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    applyLoadGeometryForFrame();
    Form_Resize();
}

void Form1::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void Form1::dl_Timer()
{
    if (!Form1Rules::loginFillWanted(mima_->value(), mod_Main::SavedUser, mod_Main::SavedPass,
                                     WebBrowser1_->readyState()))
        return;
    // The browser checks the four frames and walks the fourth, when that comes from one of the
    // service's own hosts; a failure ends the tick silently and the next one starts afresh.
    WebBrowser1_->fillLogin(mod_Main::SavedUser, mod_Main::SavedPass, mod_Main::serviceHosts(),
                            [](LoginFillResult) {});
}

void Form1::Option1_Click(int index)
{
    if (blnLoading_)
        return;
    const MessageBox::Answer answer = MessageBox::show(
        this, QStringLiteral("确定要更换线路并重新登录吗？"), QStringLiteral("提醒"),
        MessageBox::Icon::Question, MessageBox::Buttons::OkCancel);
    if (answer != MessageBox::Answer::Ok)
        return;
    mod_Main::CurLine = static_cast<qint16>(index);
    WriteIni(Setting::xianlu, QString::number(mod_Main::CurLine));
    loadMemberPage();
}

void Form1::loadMemberPage()
{
    recovery_->navigating();
    WebBrowser1_->navigate(mod_Main::currentLineUrl() + memberPagePath());
}

void Form1::checkBoxChanged(VbCheckBox* box, const SettingKey& setting)
{
    WriteIni(setting, QString::number(box->value()));
}

void Form1::Check1_Click()
{
    checkBoxChanged(Check1_, Setting::Check1);
    if (Check1_->value() == 1)
        Dialog1::showDialog();
}

void Form1::mima_Click()
{
    if (!blnTemp_) {
        blnTemp_ = false;
        return;
    }
    const int v = mima_->value();
    if (v == 1) {
        Form3::showForm(WebBrowser1_);
    } else {
        WriteIni(Setting::user, QString());
        WriteIni(Setting::pass, QString());
        mod_Main::SavedUser.clear();
        mod_Main::SavedPass.clear();
    }
    WriteIni(Setting::mima, QString::number(v));
}

void Form1::Command2_Click()
{
    tray_->remove();
    close();
}

void Form1::restoreAndFocus()
{
    // Shown if hidden, restored and focused if minimised, focused otherwise.
    mnuShow_Click();
    raise();
    activateWindow();
}

void Form1::showFromSecondStart(const QString& token)
{
    mnuShow_Click();
    WindowActivation::activate(this, token);
}

void Form1::mnuShow_Click()
{
    // Shown and restored (a maximised window stays so), without taking the focus.
    if (!isVisible())
        show();
    if (windowState() & Qt::WindowMinimized)
        setWindowState(windowState() & ~Qt::WindowMinimized);
}

void Form1::mnuQuit_Click()
{
    // At once: no window is asked to close, nothing is saved.
    tray_->remove();
    ProcessEnd::now();
}

void Form1::HideMain()
{
    // Without the program's icon on the screen a hidden window could not be brought back.
    if (tray_->iconShown())
        hide();
    else
        showMinimized();
}

void Form1::closeEvent(QCloseEvent* event)
{
    if (event->spontaneous() && !unloading_) {
        event->ignore();
        HideMain();
        return;
    }
    event->accept();
    Form_Unload();
}

void Form1::Form_Unload()
{
    if (unloading_)
        return;
    unloading_ = true;
    QList<QPointer<QWidget>> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        windows.append(w);
    for (qsizetype i = windows.size() - 1; i >= 0; --i) {
        QWidget* w = windows.at(i);
        if (!w || w == this)
            continue;
        w->close();
    }
    tray_->remove();
    ProcessEnd::now();
}

int Form1::check1State()
{
    return Check1_->value();
}

int Form1::check2State()
{
    return Check2_->value();
}

int Form1::shengyinState()
{
    return shengyin_->value();
}

int Form1::categoryState(const QString& boxName)
{
    return Dialog1::instance()->boxState(boxName);
}

void Form1::ShowMsn(const QString& ZuName, const QString& Ziname, const QString& ZiUrl)
{
    msn_->ShowMsn(ZuName, Ziname, ZiUrl);
}

void Form1::PlayWavFile(const QString& strFileName, int PlayCount, int JianGe)
{
    // The desktop says do not disturb: the notice is kept, its sound is not played.
    if (notices_->quiet())
        return;
    wav_->PlayWavFile(strFileName, PlayCount, JianGe);
}

void Form1::openNotice(quint64 id, const QString& url)
{
    msn_->openNotice(id, url);
}

void Form1::endProgram()
{
    tray_->remove();
    ProcessEnd::now();
}

#include "moc_form1.cpp" // meta-object code, compiled with this file
