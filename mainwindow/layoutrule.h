#pragma once
// Form_Resize as a rule: the window's outer size and state in, the clamped outer size and the
// places of the controls that follow the right and bottom edges out. Everything is in twips.
#include <QRect>
#include <QSize>

class LayoutRule
{
public:
    enum class State { Normal, Minimized, Maximized };

    // The smallest outer size of a window that is not maximised.
    static constexpr int MinWidth = 15360;
    static constexpr int MinHeight = 10680;

    struct Result {
        bool place = false;  // false while minimised: nothing moves
        bool resize = false; // the outer size has to change to `outer` first
        QSize outer;         // the outer size the controls are placed for
        int command2Left = 0;
        int command1Left = 0;
        int mimaLeft = 0;
        QRect browser;
    };

    static Result apply(QSize outer, State state);
};
