#pragma once
// Geometry of the browser window, in twips.
#include <optional>

class Form4Layout
{
public:
    static constexpr int kClientWidth = 16740; // at design
    static constexpr int kClientHeight = 10170;
    static constexpr int kBrowserLeft = 15;
    static constexpr int kBrowserTop = 0;
    static constexpr int kWidthAllowance = 50; // taken off the outer size on every resize
    static constexpr int kHeightAllowance = 400;

    // The browser's size after a resize of a window whose outer size is given. Each dimension is
    // set on its own; one that would be negative (a minimised window) is left unset.
    struct Size {
        std::optional<int> width;
        std::optional<int> height;
    };
    static Size browserOnResize(int outerWidth, int outerHeight);
};
