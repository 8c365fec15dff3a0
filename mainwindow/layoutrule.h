#pragma once
// Form_Resize as a rule: the window's outer size, its client area and its state in, the smallest
// outer size to ask for and the places of the controls that follow the right and bottom edges
// out. Everything is in twips.
#include <QRect>
#include <QSize>

class LayoutRule
{
public:
    enum class State { Normal, Minimized, Maximized };

    // The smallest outer size of a window that is not maximised.
    static constexpr int MinWidth = 15360;
    static constexpr int MinHeight = 10680;
    // An outer size raised to the smallest one where it is below it.
    static QSize raised(QSize outer) { return outer.expandedTo(QSize(MinWidth, MinHeight)); }

    struct Result {
        bool place = false;  // false while minimised: nothing moves
        bool resize = false; // below the smallest size: ask for `raised` first
        QSize raised;        // the outer size to ask for when `resize`
        int command2Left = 0;
        int command1Left = 0;
        int mimaLeft = 0;
        QRect browser;
    };

    // The controls are placed for the size the window has. The design places them by the outer
    // size, for a frame as thin as the one it was drawn with; under a taller title bar, or when
    // the window system keeps the window below the smallest size, the strip moves left and the
    // browser shrinks just enough to stay inside the client area.
    static Result apply(QSize outer, QSize client, State state);
};
