#pragma once
// The frame a window manager draws around a top-level window. A window manager reports its frame
// some time after the window is mapped, and one that is still building its frame may for a moment
// report a frame smaller than the window itself; neither is a frame to size or place a window by.
// Windows of one kind get the same frame, so the last frame seen for a kind stands in for a new
// window of that kind until its own is known.
#include <QMargins>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <optional>

class QTimer;
class QWidget;

namespace WindowFrame
{

// The margins of `frame` around `client`, when they make sense: none negative, not all zero.
std::optional<QMargins> margins(const QRect& frame, const QRect& client);

// The frame of a shown top-level window, when the window manager has reported a sensible one.
std::optional<QMargins> known(const QWidget* window);

// Asks the window manager, without waiting for its answer, what frame it will draw around a
// top-level window that is not shown yet (_NET_REQUEST_FRAME_EXTENTS). One that answers states
// the frame on the window, where known() finds it as soon as the window is shown, before the
// window is mapped; the frame it really draws may still differ. Makes the window's native window
// now. Nothing outside X11.
void askAhead(QWidget* window);

// Its own frame when known, else the last frame seen around a window of the same kind.
std::optional<QMargins> expected(const QWidget* window);

// Moves a top-level window so that its frame, `frame`, has its top-left corner at `outerTopLeft`.
void moveOuterTo(QWidget* window, QPoint outerTopLeft, const QMargins& frame);

} // namespace WindowFrame

// Looks for a window's frame for a few seconds each time the window is shown and says once when
// the window manager has reported it (Qt may take the frame in without telling the window).
class FrameWatch : public QObject
{
    Q_OBJECT
public:
    explicit FrameWatch(QWidget* window, int waitMs = 5000);

signals:
    // Once per showing: the frame is known, or the wait is over without it (nullopt).
    void settled(std::optional<QMargins> frame);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void look();

    QWidget* window_;
    QTimer* timer_;
    int waitMs_;
    int waitedMs_ = 0;
};
