#include "dialogs/dialog1.h"

// Placeholder until the dialog lands.
namespace {
Dialog1* g_instance = nullptr;
}
Dialog1::Dialog1(QWidget* parent) : QDialog(parent) {}
Dialog1* Dialog1::instance()
{
    if (!g_instance)
        g_instance = new Dialog1;
    return g_instance;
}
bool Dialog1::isLoaded() { return g_instance != nullptr; }
void Dialog1::showDialog() { instance()->show(); }
int Dialog1::boxState(const QString&) const { return 1; }
void Dialog1::setBoxState(const QString&, int) {}
