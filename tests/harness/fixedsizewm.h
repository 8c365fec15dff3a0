#pragma once
// A window manager that keeps every window at the same fixed size, as a tiling window manager
// does: a window that asks for another size gets it for a moment and is then put back, as the
// manager's next layout pass would. It counts those requests, so that a test can see whether a
// program keeps asking. It can also let go of its windows for a while (untiled: every window gets
// a floating size and any size it asks for) and take them back. Start it on a desktop made
// without a window manager.
#include <QHash>
#include <QSize>
#include <QString>

#include <atomic>
#include <mutex>
#include <thread>

struct xcb_connection_t;

namespace harness
{

class FixedSizeWindowManager
{
public:
    FixedSizeWindowManager(const QString& display, QSize size);
    ~FixedSizeWindowManager(); // stops it
    FixedSizeWindowManager(const FixedSizeWindowManager&) = delete;
    FixedSizeWindowManager& operator=(const FixedSizeWindowManager&) = delete;

    // Takes over window management of the display (false when another manager has it).
    bool start();
    void stop();

    // Requests to give `window` a size other than the fixed one, refused so far.
    int refusedResizes(quint64 window) const;

    // Untiled, every window is given `floating` and then whatever size it asks for; tiled
    // again, every window goes back to the fixed size.
    void setTiled(bool tiled, QSize floating = {});

private:
    void run();

    QString display_;
    QSize size_;
    xcb_connection_t* conn_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> tiled_{true};
    std::atomic<bool> relayout_{false};
    QSize floating_; // guarded by mutex_
    mutable std::mutex mutex_;
    QHash<quint64, int> refused_;
};

} // namespace harness
