#include "widgets/vbcheckbox.h"

#include <QResizeEvent>
#include <algorithm>

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

void VbCheckBox::resizeEvent(QResizeEvent* event)
{
    QCheckBox::resizeEvent(event);
    fitCaption();
}

void VbCheckBox::fitCaption()
{
    if (designPointSize_ <= 0)
        designPointSize_ = font().pointSizeF();
    if (designPointSize_ <= 0)
        return; // a pixel-sized font: left as it is
    QFont f = font();
    f.setPointSizeF(designPointSize_);
    setFont(f);
    while (sizeHint().width() > width() && f.pointSizeF() > 7) {
        f.setPointSizeF(std::max<qreal>(7, f.pointSizeF() - 0.5));
        setFont(f);
    }
}

#include "moc_vbcheckbox.cpp" // meta-object code, compiled with this file
