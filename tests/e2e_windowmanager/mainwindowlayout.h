#pragma once
// The main window's controls as the program laid them out (the test build traces every layout),
// checked against the client area the X server reports.
#include "harness/harness.h"

#include <QRect>
#include <optional>

namespace harness
{

struct MainWindowLayout {
    QRect client, command2, mima, browser; // client coordinates
};

// The last layout the program traced; none when there was none.
std::optional<MainWindowLayout> lastLayout(const Program& zv);

// Every control of the strip and the whole browser lie inside the window's client area, and the
// layout was made for the size the window has.
void expectControlsInside(const Program& zv, WindowId mainWindow);

} // namespace harness
