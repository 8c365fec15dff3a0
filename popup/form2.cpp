#include "popup/form2.h"

#include "net/browser.h"
#include "popup/itemopener.h"
#include "popup/popuprule.h"
#include "startup/twips.h"
#include "widgets/windowframe.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QBitmap>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>

namespace
{

// 32x32 monochrome pointing hand, fingertip at (5, 0): '#' black, '.' white, ' ' transparent.
const char* const HandPicture[32] = {
    "    ##                          ", "   #..#                         ",
    "   #..#                         ", "   #..#                         ",
    "   #..#                         ", "   #..###                       ",
    "   #..#..###                    ", "   #..#..#..##                  ",
    "   #..#..#..#.#                 ", "####..#..#..#..#                ",
    "#..#........#..#                ", "#...#..........#                ",
    " #..#..........#                ", "  #.#..........#                ",
    "  #............#                ", "   #...........#                ",
    "   #..........#                 ", "    #.........#                 ",
    "    #.........#                 ", "     #.......#                  ",
    "     #.......#                  ", "     #########                  ",
    "                                ", "                                ",
    "                                ", "                                ",
    "                                ", "                                ",
    "                                ", "                                ",
    "                                ", "                                ",
};

QFont chineseFont(const QStringList& families, double pointSize, bool bold)
{
    QFont f;
    // Families missing here fall through to whatever fontconfig offers for Chinese text.
    f.setFamilies(families);
    f.setStyleHint(QFont::AnyStyle, QFont::PreferMatch);
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

// The pointing hand shown over the popup and its labels.
QCursor handCursor()
{
    QImage picture(32, 32, QImage::Format_MonoLSB);
    QImage mask(32, 32, QImage::Format_MonoLSB);
    picture.fill(0);
    mask.fill(0);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const char c = HandPicture[y][x];
            if (c == ' ')
                continue;
            mask.setPixel(x, y, 1);
            picture.setPixel(x, y, c == '#' ? 1 : 0);
        }
    }
    return QCursor(QBitmap::fromImage(picture), QBitmap::fromImage(mask), 5, 0);
}

// The popup is an alert to assistive technology, named by the notice it shows.
QAccessibleInterface* alertInterface(const QString& key, QObject* object)
{
    auto* popup = qobject_cast<Form2*>(object);
    if (key != QLatin1String("Form2") || !popup)
        return nullptr;
    return new QAccessibleWidget(popup, QAccessible::AlertMessage);
}

} // namespace

Form2::Form2(QWidget* mainWindow, Browser* mainBrowser, int tickMs, int clickWaitMs)
    : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                           Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      Label1_(new QLabel(QStringLiteral("新信息"), this)), lblIndex_(new QLabel(this)),
      ZuNameTxT_(new QLineEdit(this)), ZiNameTxT_(new QLineEdit(this)),
      ZiUrlTxT_(new QLineEdit(this)), Timer1_(new QTimer(this)),
      frameWatch_(new FrameWatch(this, 3000)), mainWindow_(mainWindow), mainBrowser_(mainBrowser),
      clickWaitMs_(clickWaitMs)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(PopupRule::caption());
    static const bool alertInstalled = [] {
        QAccessible::installFactory(alertInterface);
        return true;
    }();
    Q_UNUSED(alertInstalled);
    setFixedSize(Twips::toPixels(3450), Twips::toPixels(1530));
    setCursor(handCursor());

    const QColor menu = QApplication::palette("QMenu").color(QPalette::Window);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, menu);
    setPalette(pal);
    setAutoFillBackground(true);

    Label1_->setObjectName(QStringLiteral("Label1"));
    // A title is plain text: "&lt;" or a lone "<" in a list is shown as it came.
    Label1_->setTextFormat(Qt::PlainText);
    Label1_->setGeometry(Twips::rect(0, 360, 3735, 495));
    Label1_->setFont(
        chineseFont({QStringLiteral("新宋体"), QStringLiteral("NSimSun")}, 14.25, true));
    QPalette red = Label1_->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    red.setColor(QPalette::Window, menu);
    Label1_->setPalette(red);
    Label1_->setAutoFillBackground(true);

    auto* Label2 = new QLabel(QStringLiteral("有新信息，请点击查看！"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setTextFormat(Qt::PlainText);
    Label2->setGeometry(Twips::rect(0, 960, 3735, 255));
    Label2->setFont(chineseFont({QStringLiteral("宋体"), QStringLiteral("SimSun")}, 12, false));

    for (QLabel* l : {Label1_, Label2}) {
        l->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        // The labels are part of the click area: the popup itself takes their clicks.
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
        l->setCursor(handCursor());
    }

    // The notice's hidden fields, at their design places.
    const struct {
        QWidget* w;
        const char* name;
        QRect twips;
    } hidden[] = {{ZuNameTxT_, "ZuNameTxT", {0, 0, 2295, 375}},
                  {ZiNameTxT_, "ZiNameTxT", {0, 480, 2295, 375}},
                  {ZiUrlTxT_, "ZiUrlTxT", {0, 960, 1695, 375}},
                  {lblIndex_, "lblIndex", {3120, 1320, 375, 255}}};
    for (const auto& h : hidden) {
        h.w->setObjectName(QLatin1String(h.name));
        h.w->setGeometry(Twips::toPixels(h.twips));
        h.w->hide();
    }

    connect(frameWatch_, &FrameWatch::settled, this, &Form2::placeOnScreen);

    Timer1_->setObjectName(QStringLiteral("Timer1"));
    Timer1_->setInterval(tickMs);
    connect(Timer1_, &QTimer::timeout, this, &Form2::Timer1_Timer);
    Form_Load();
}

Form2::~Form2() = default;

void Form2::Form_Load()
{
    CloseTicks_ = 0;
    placeOnScreen();
    setWindowState(Qt::WindowNoState);
    Timer1_->start();
}

void Form2::placeOnScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    // Placed by its outer size. Until the window manager has framed this popup, the last popup's
    // frame stands in for it, so that a popup is in its corner when it first shows; before any
    // popup was framed, a plain title bar and border are assumed and the place is corrected as
    // soon as the frame is known.
    const QMargins frame = WindowFrame::expected(this).value_or(QMargins(4, 27, 4, 4));
    WindowFrame::moveOuterTo(
        this,
        screen->geometry().topLeft() +
            PopupRule::position(screen->geometry().size(), size().grownBy(frame)),
        frame);
}

void Form2::setNotice(qint32 serial, const QString& ZuName, const QString& Ziname,
                      const QString& ZiUrl, quint64 noticeId)
{
    noticeId_ = noticeId;
    // A broken list row may bring a megabyte in the category as in the title: both are cut.
    const QString category = PopupRule::shownTitle(ZuName, PopupRule::kMaxTitleChars);
    lblIndex_->setText(QString::number(serial));
    ZuNameTxT_->setText(category);
    ZiNameTxT_->setText(Ziname);
    ZiUrlTxT_->setText(ZiUrl);
    Label1_->setText(PopupRule::titleText(Ziname));
    setAccessibleName(category + QLatin1Char(' ') +
                      PopupRule::shownTitle(Ziname, PopupRule::kMaxTitleChars));
    setAccessibleDescription(QStringLiteral("有新信息，请点击查看！"));
}

qint64 Form2::serial() const
{
    bool ok = false;
    const qint64 n = lblIndex_->text().toLongLong(&ok);
    return ok ? n : 0;
}

void Form2::Timer1_Timer()
{
    ++CloseTicks_;
    if (CloseTicks_ == 3) {
        emit closedUnseen(noticeId_);
        close();
    }
}

void Form2::mousePressEvent(QMouseEvent* event)
{
    pressed_ = event->button() == Qt::LeftButton;
    QWidget::mousePressEvent(event);
}

void Form2::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    QWidget::mouseReleaseEvent(event);
    if (click)
        Form_Click();
}

void Form2::Form_Click()
{
    if (clicked_)
        return;
    clicked_ = true;
    Timer1_->stop();
    emit clicked(noticeId_);
    const QPointer<Form2> self(this);
    ItemOpener::open(mainWindow_, mainBrowser_, ZiUrlTxT_->text(), clickWaitMs_,
                     QPointer<QWidget>(this), [self] {
                         if (self)
                             self->close();
                     });
}

void Form2::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A screen reader announces the notice as it appears.
    QAccessibleEvent alert(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

#include "moc_form2.cpp" // meta-object code, compiled with this file
