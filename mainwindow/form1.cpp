#include "mainwindow/form1.h"

// Placeholder until the main window lands: a plain window with its caption.
Form1::Form1(QWidget* parent) : QWidget(parent)
{
    setWindowTitle(QStringLiteral("Zelvar快报 ZV6.2"));
}
Form1::~Form1() = default;
