#include "mainwindow/layoutrule.h"

LayoutRule::Result LayoutRule::apply(QSize outer, State state)
{
    Result r;
    if (state == State::Minimized)
        return r;
    r.place = true;
    r.outer = outer;
    if (state != State::Maximized) {
        if (r.outer.width() < MinWidth)
            r.outer.setWidth(MinWidth);
        if (r.outer.height() < MinHeight)
            r.outer.setHeight(MinHeight);
        r.resize = r.outer != outer;
    }
    const int w = r.outer.width();
    const int h = r.outer.height();
    r.command2Left = w - 1100;
    r.command1Left = w - 2245;
    r.mimaLeft = w - 3570;
    r.browser = QRect(0, 400, w - 140, h - 900);
    return r;
}
