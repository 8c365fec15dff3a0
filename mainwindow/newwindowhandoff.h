#pragma once
// Where the member page's new-window requests go: the default browser for the marketplace, a new
// Form4 for everything else. The main window's engine never opens a window of its own, and a page
// that asks for windows on its own gets only a few between two clicks of the member's
// (NewWindowRate).
#include "mainwindow/newwindowrate.h"

#include <QObject>

struct NewWindowRequest;
class QWidget;

class NewWindowHandoff : public QObject
{
    Q_OBJECT
public:
    explicit NewWindowHandoff(QWidget* mainWindow, QObject* parent = nullptr);
    void Web_V1_NewWindow(NewWindowRequest& request);
    // The member clicked or pressed a key in the member page.
    void memberInput() { rate_.memberInput(); }

private:
    QWidget* mainWindow_;
    NewWindowRate rate_;
};
