#include "mainwindow/newwindowhandoff.h"

#include "net/browser.h"

// Placeholder until the browser window lands.
NewWindowHandoff::NewWindowHandoff(QWidget* mainWindow, QObject* parent)
    : QObject(parent), mainWindow_(mainWindow) {}
void NewWindowHandoff::Web_V1_NewWindow(NewWindowRequest& request) { request.processed = true; }
