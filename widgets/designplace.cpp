#include "widgets/designplace.h"

#include "startup/twips.h"

#include <QWidget>

void placeControl(QWidget* control, const char* name, int left, int top, int width, int height)
{
    control->setObjectName(QLatin1String(name));
    control->setGeometry(Twips::rect(left, top, width, height));
}
