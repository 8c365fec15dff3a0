#include "popup/msnnotifier.h"

#include "net/browser.h"
#include "notices/noticecentre.h"
#include "popup/form2.h"
#include "popup/itemopener.h"
#include "popup/popuprule.h"
#include "startup/trace.h"

#include <QApplication>
#include <limits>

MsnNotifier::MsnNotifier(QWidget* mainWindow, Browser* mainBrowser, NoticeCentre* notices,
                         QObject* parent)
    : QObject(parent), mainWindow_(mainWindow), mainBrowser_(mainBrowser), notices_(notices)
{
}

MsnNotifier::~MsnNotifier() = default;

void MsnNotifier::ShowMsn(const QString& ZuName, const QString& Ziname, const QString& ZiUrl)
{
    if (PopupRule::declinesTitle(Ziname))
        return;
    NoticeCentre::Arrival arrival;
    if (notices_) {
        arrival = notices_->arrive(ZuName, Ziname, ZiUrl);
        if (arrival.quiet) {
            Trace::event(QStringLiteral("quiet"), Ziname + QLatin1Char(' ') + ZiUrl);
            return;
        }
    }
    if (msnCount_ < std::numeric_limits<qint32>::max())
        ++msnCount_;
    QWidget* const active = QApplication::activeWindow();

    // Open popups are found by their caption; only the three newest stay.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows) {
        auto* popup = qobject_cast<Form2*>(w);
        if (!popup || !popup->isVisible() || popup->windowTitle() != PopupRule::caption())
            continue;
        if (PopupRule::closesOnNewPopup(popup->serial(), msnCount_)) {
            if (notices_)
                notices_->missed(popup->noticeId());
            popup->close();
        }
    }

    auto* popup = new Form2(mainWindow_, mainBrowser_, tickMs_);
    popup->setNotice(msnCount_, ZuName, Ziname, ZiUrl, arrival.id);
    if (notices_) {
        connect(popup, &Form2::clicked, notices_, &NoticeCentre::opened);
        connect(popup, &Form2::closedUnseen, notices_, &NoticeCentre::missed);
    }

    if (mainWindow_ &&
        PopupRule::minimisesMainWindow(mainWindow_->isVisible(), mainWindow_->window() == active))
        mainWindow_->setWindowState(mainWindow_->windowState() | Qt::WindowMinimized);

    popup->show();
    popup->raise();
    Trace::event(QStringLiteral("popup"), QString::number(popup->serial()) + QLatin1Char(' ') +
                                              Ziname + QLatin1Char(' ') + ZiUrl);
}

void MsnNotifier::openNotice(quint64 id, const QString& url)
{
    if (notices_)
        notices_->opened(id);
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* popup = qobject_cast<Form2*>(w);
        if (popup && popup->noticeId() == id && popup->isVisible())
            popup->close();
    }
    ItemOpener::open(mainWindow_, mainBrowser_, url, Form2::kClickWaitMs, mainWindow_, {});
}

#include "moc_msnnotifier.cpp" // meta-object code, compiled with this file
