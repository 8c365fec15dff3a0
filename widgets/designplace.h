#pragma once
// A control at its design-time place, given in twips, under its design name: the name the windows
// and the tests find it by.
class QWidget;

void placeControl(QWidget* control, const char* name, int left, int top, int width, int height);
