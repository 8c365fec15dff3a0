#include "dialogs/greyablecheckbox.h"

GreyableCheckBox::GreyableCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent)
{
    setTristate(true);
}

int GreyableCheckBox::fromCheckState(Qt::CheckState s)
{
    switch (s) {
    case Qt::Unchecked:
        return 0;
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    }
    return 0;
}

Qt::CheckState GreyableCheckBox::toCheckState(int state)
{
    switch (state) {
    case 1:
        return Qt::Checked;
    case 2:
        return Qt::PartiallyChecked;
    default:
        return Qt::Unchecked;
    }
}

int GreyableCheckBox::state() const
{
    return fromCheckState(checkState());
}

void GreyableCheckBox::setState(int state)
{
    if (state < 0 || state > 2)
        return;
    setCheckState(toCheckState(state));
}

void GreyableCheckBox::nextCheckState()
{
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}
