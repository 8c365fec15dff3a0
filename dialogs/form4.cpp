#include "dialogs/form4.h"

#include "dialogs/form4layout.h"
#include "net/browser.h"
#include "net/urlrules.h"
#include "startup/twips.h"
#include "widgets/windowframe.h"
#include "zvconfig.h"

#include <QAction>
#include <QMenu>
#include <QTimer>

Form4::Form4(QWidget* parent)
    : QWidget(parent, Qt::Window), bindings_(QStringLiteral(ZV_INFO_SITE_URL))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(caption());
    resize(Twips::toPixels(Form4Layout::kClientWidth), Twips::toPixels(Form4Layout::kClientHeight));

    browser_ = makeBrowser(this);
    browser_->widget()->setParent(this);
    browser_->widget()->move(Twips::toPixels(Form4Layout::kBrowserLeft),
                             Twips::toPixels(Form4Layout::kBrowserTop));

    // Only ever a pop-up: the window has no menu bar.
    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("mnuPop"));
    QAction* back = menu_->addAction(QStringLiteral("后退"), this, &Form4::mnuBack_Click);
    back->setObjectName(QStringLiteral("mnuBack"));
    QAction* forw = menu_->addAction(QStringLiteral("前进"), this, &Form4::mnuForw_Click);
    forw->setObjectName(QStringLiteral("mnuForw"));
    menu_->addSeparator()->setObjectName(QStringLiteral("fg"));
    QAction* re = menu_->addAction(QStringLiteral("刷新"), this, &Form4::mnuRe_Click);
    re->setObjectName(QStringLiteral("mnuRe"));

    connect(browser_, &Browser::documentComplete, this, &Form4::WebBrowser1_DocumentComplete);
    connect(browser_, &Browser::contextMenu, this, &Form4::M_Dom_oncontextmenu);

    Form_Load();
}

Form4::~Form4() = default;

QString Form4::caption()
{
    return QStringLiteral("首席Zelvar          提示：全屏查看效果更佳");
}

QSize Form4::outerSizeTwips() const
{
    // The outer size includes the window manager's frame once the window has one.
    const QSize px =
        isWindow() ? size().grownBy(WindowFrame::known(this).value_or(QMargins())) : size();
    return {Twips::fromPixels(px.width()), Twips::fromPixels(px.height())};
}

void Form4::Form_Load()
{
    connect(browser_, &Browser::newWindow, this, &Form4::Web_V1_NewWindow, Qt::UniqueConnection);
    browser_->setSilent(true);
    const QSize outer = outerSizeTwips();
    browser_->widget()->resize(Twips::toPixels(outer.width()), Twips::toPixels(outer.height()));
}

void Form4::Form_Resize()
{
    const QSize outer = outerSizeTwips();
    const Form4Layout::Size s = Form4Layout::browserOnResize(outer.width(), outer.height());
    QWidget* w = browser_->widget();
    if (s.width)
        w->resize(Twips::toPixels(*s.width), w->height());
    if (s.height)
        w->resize(w->width(), Twips::toPixels(*s.height));
}

void Form4::WebBrowser1_DocumentComplete(quint64 docId, const QString& url, bool isTop)
{
    Q_UNUSED(isTop);
    bindings_.documentComplete(docId, url);
}

void Form4::M_Dom_oncontextmenu(ContextMenuRequest& request)
{
    if (!bindings_.isBound(request.docId))
        return;
    request.handled = true;
    menu_->popup(request.globalPos);
}

void Form4::mnuBack_Click()
{
    browser_->goBack();
}

void Form4::mnuForw_Click()
{
    browser_->goForward();
}

void Form4::mnuRe_Click()
{
    browser_->refresh();
}

void Form4::Web_V1_NewWindow(NewWindowRequest& request)
{
    request.processed = true;
    // Post data, headers and the target frame are dropped: the page arrives as a plain
    // navigation. Addresses that are not web pages stay out.
    if (request.url.isEmpty() || !UrlRules::mayShowInBrowserWindow(request.url))
        return;
    browser_->navigate(request.url);
}

void Form4::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Form_Resize();
}

void Form4::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    Form_Resize();
    // The window manager's frame arrives after the window is mapped.
    QTimer::singleShot(0, this, &Form4::Form_Resize);
}

void Form4::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    // A frame added or changed by the window manager shows up as a move.
    Form_Resize();
}

#include "moc_form4.cpp" // meta-object code, compiled with this file
