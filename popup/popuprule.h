#pragma once
// The popup notice's decisions: which titles are declined, which open popups a new one closes,
// the title text and where the popup goes.
#include <QPoint>
#include <QSize>
#include <QString>

namespace PopupRule
{

// The popup's caption; it is also how open popups are found among the program's windows.
QString caption();

// True when the title contains "arial" in any mix of capitals: no popup for it.
bool declinesTitle(const QString& Ziname);

// Whether an open popup with serial n closes when a popup brings the counter to msnCount.
bool closesOnNewPopup(qint64 n, qint64 msnCount);

// How much of a title is shown: the label shows a line of a dozen characters, and a list may
// bring a title of a megabyte.
constexpr int kMaxTitleChars = 200;

// The title cut to maxChars characters, "…" marking a cut.
QString shownTitle(const QString& Ziname, int maxChars);

// The text of the title label: ">" + title + "<", the title cut to kMaxTitleChars. Plain text,
// never markup.
QString titleText(const QString& Ziname);

// Top-left corner for a popup whose outer (frame) size is frame on a screen of the given size
// (the whole screen, taskbar included): 50 twips from the right, 500 twips from the bottom.
QPoint position(const QSize& screen, const QSize& frame);

// The minimise rule of a new notice: a visible main window that is not the active one minimises.
bool minimisesMainWindow(bool mainVisible, bool mainIsActive);

} // namespace PopupRule
