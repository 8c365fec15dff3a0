#include "popup/msnnotifier.h"

#include "net/browser.h"
#include "popup/form2.h"
#include "popup/popuprule.h"
#include "startup/trace.h"

#include <QApplication>
#include <limits>

MsnNotifier::MsnNotifier(QWidget* mainWindow, Browser* mainBrowser, QObject* parent)
    : QObject(parent), mainWindow_(mainWindow), mainBrowser_(mainBrowser)
{
}

MsnNotifier::~MsnNotifier() = default;

void MsnNotifier::ShowMsn(const QString& ZuName, const QString& Ziname, const QString& ZiUrl)
{
    if (PopupRule::declinesTitle(Ziname))
        return;
    if (msnCount_ < std::numeric_limits<qint32>::max())
        ++msnCount_;
    QWidget* const active = QApplication::activeWindow();

    // Open popups are found by their caption; only the three newest stay.
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows) {
        auto* popup = qobject_cast<Form2*>(w);
        if (!popup || !popup->isVisible() || popup->windowTitle() != PopupRule::caption())
            continue;
        if (PopupRule::closesOnNewPopup(popup->serial(), msnCount_))
            popup->close();
    }

    auto* popup = new Form2(mainWindow_, mainBrowser_, tickMs_);
    popup->setNotice(msnCount_, ZuName, Ziname, ZiUrl);

    if (mainWindow_ &&
        PopupRule::minimisesMainWindow(mainWindow_->isVisible(), mainWindow_->window() == active))
        mainWindow_->setWindowState(mainWindow_->windowState() | Qt::WindowMinimized);

    popup->show();
    popup->raise();
    Trace::event(QStringLiteral("popup"), QString::number(popup->serial()) + QLatin1Char(' ') +
                                              Ziname + QLatin1Char(' ') + ZiUrl);
}
