#include "dialogs/vbcheckbox.h"

VbCheckBox::VbCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent)
{
    setTristate(true);
}

int VbCheckBox::toValue(Qt::CheckState state)
{
    switch (state) {
    case Qt::Unchecked:
        return 0;
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    }
    return 0;
}

int VbCheckBox::value() const
{
    return toValue(checkState());
}

void VbCheckBox::setValue(int value)
{
    switch (value) {
    case 0:
        setCheckState(Qt::Unchecked);
        break;
    case 1:
        setCheckState(Qt::Checked);
        break;
    case 2:
        setCheckState(Qt::PartiallyChecked);
        break;
    default:
        break;
    }
}

void VbCheckBox::nextCheckState()
{
    setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}
