#include "mainwindow/layoutrule.h"

#include <algorithm>

namespace
{
constexpr int Command2Width = 975;
}

LayoutRule::Result LayoutRule::apply(QSize outer, QSize client, State state)
{
    Result r;
    if (state == State::Minimized)
        return r;
    r.place = true;
    if (state != State::Maximized) {
        r.raised = raised(outer);
        r.resize = r.raised != outer;
    }
    const int w = outer.width();
    const int h = outer.height();
    // The strip's right-hand controls keep their distances to each other; Command2, the
    // rightmost, ends inside the client area.
    const int shift = std::max(0, (w - 1100 + Command2Width) - client.width());
    r.command2Left = w - 1100 - shift;
    r.command1Left = w - 2245 - shift;
    r.mimaLeft = w - 3570 - shift;
    r.browser = QRect(0, 400, std::clamp(w - 140, 0, std::max(0, client.width())),
                      std::clamp(h - 900, 0, std::max(0, client.height() - 400)));
    return r;
}
