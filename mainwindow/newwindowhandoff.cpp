#include "mainwindow/newwindowhandoff.h"

#include "dialogs/form4.h"
#include "net/browser.h"
#include "net/urlrules.h"
#include "startup/trace.h"
#include "zvconfig.h"

#include <QDesktopServices>
#include <QUrl>

NewWindowHandoff::NewWindowHandoff(QWidget* mainWindow, QObject* parent)
    : QObject(parent), mainWindow_(mainWindow)
{
}

void NewWindowHandoff::Web_V1_NewWindow(NewWindowRequest& request)
{
    // The main window's engine never opens a window of its own, whatever happens below.
    request.processed = true;

    const UrlRules::NewWindowRoute route =
        UrlRules::routeNewWindow(request.url, QStringLiteral(ZV_MARKET_DOMAIN));
    if (route != UrlRules::NewWindowRoute::Drop && !rate_.allow(request.userInitiated))
        return;
    switch (route) {
    case UrlRules::NewWindowRoute::DefaultBrowser:
        // Test builds record the hand-over instead of starting a browser on the desktop.
        if (Trace::enabled())
            Trace::event(QStringLiteral("openurl"), request.url);
        else
            QDesktopServices::openUrl(QUrl(request.url));
        break;
    case UrlRules::NewWindowRoute::BrowserWindow: {
        // Each request gets a window of its own; it lives until the member closes it.
        auto* form = new Form4;
        form->show();
        Browser* target = form->WebBrowser1();
        // Taking the engine's pending navigation over keeps a form post's body; otherwise the
        // address is loaded with what the request carried, the target frame left out.
        if (!(request.takeOver && request.takeOver(*target)))
            target->navigate(UrlRules::browserWindowAddress(request.url), request.flags, QString(),
                             request.postData, request.headers);
        break;
    }
    case UrlRules::NewWindowRoute::Drop:
        break;
    }
}

#include "moc_newwindowhandoff.cpp" // meta-object code, compiled with this file
