#include "popup/msnnotifier.h"

// Placeholder until the popup lands.
MsnNotifier::MsnNotifier(QWidget* mainWindow, Browser* mainBrowser, QObject* parent)
    : QObject(parent), mainWindow_(mainWindow), mainBrowser_(mainBrowser) {}
MsnNotifier::~MsnNotifier() = default;
void MsnNotifier::ShowMsn(const QString&, const QString&, const QString&) {}
