// Entry point: Main.
#include "mainwindow/form1.h"
#include "startup/appstate.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    mod_Main::fillServerLines();
    auto* form1 = new Form1;
    form1->show();
    return app.exec();
}
