#include "harness/fixedsizewm.h"

#include <chrono>
#include <cstdlib>
#include <map>
#include <poll.h>
#include <set>
#include <xcb/xcb.h>

namespace harness
{

FixedSizeWindowManager::FixedSizeWindowManager(const QString& display, QSize size)
    : display_(display), size_(size)
{
}

FixedSizeWindowManager::~FixedSizeWindowManager()
{
    stop();
}

bool FixedSizeWindowManager::start()
{
    conn_ = xcb_connect(display_.toLocal8Bit().constData(), nullptr);
    if (!conn_ || xcb_connection_has_error(conn_)) {
        stop();
        return false;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root;
    // Only one client may redirect the root's substructure: that client is the window manager.
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_generic_error_t* error = xcb_request_check(
        conn_, xcb_change_window_attributes_checked(conn_, root, XCB_CW_EVENT_MASK, &mask));
    if (error) {
        std::free(error);
        stop();
        return false;
    }
    thread_ = std::thread([this] { run(); });
    return true;
}

void FixedSizeWindowManager::stop()
{
    stopping_ = true;
    if (thread_.joinable())
        thread_.join();
    if (conn_)
        xcb_disconnect(conn_);
    conn_ = nullptr;
}

int FixedSizeWindowManager::refusedResizes(quint64 window) const
{
    const std::lock_guard lock(mutex_);
    return refused_.value(window);
}

void FixedSizeWindowManager::setTiled(bool tiled, QSize floating)
{
    {
        const std::lock_guard lock(mutex_);
        floating_ = floating;
    }
    tiled_ = tiled;
    relayout_ = true;
}

void FixedSizeWindowManager::run()
{
    const auto place = [this](xcb_window_t w) {
        QSize size = size_;
        if (!tiled_) {
            const std::lock_guard lock(mutex_);
            size = floating_;
        }
        const uint32_t values[] = {0, 0, static_cast<uint32_t>(size.width()),
                                   static_cast<uint32_t>(size.height()), 0};
        xcb_configure_window(conn_, w,
                             XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                                 XCB_CONFIG_WINDOW_HEIGHT | XCB_CONFIG_WINDOW_BORDER_WIDTH,
                             values);
        // A request that changes nothing still gets its answer: the geometry as it stands.
        xcb_configure_notify_event_t notify = {};
        notify.response_type = XCB_CONFIGURE_NOTIFY;
        notify.event = w;
        notify.window = w;
        notify.width = static_cast<uint16_t>(size.width());
        notify.height = static_cast<uint16_t>(size.height());
        xcb_send_event(conn_, 0, w, XCB_EVENT_MASK_STRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&notify));
    };
    using clock = std::chrono::steady_clock;
    std::map<xcb_window_t, clock::time_point> snapBack;
    std::set<xcb_window_t> managed;
    pollfd fd = {xcb_get_file_descriptor(conn_), POLLIN, 0};
    while (!stopping_ && !xcb_connection_has_error(conn_)) {
        ::poll(&fd, 1, 20);
        if (relayout_.exchange(false)) {
            snapBack.clear();
            for (xcb_window_t w : managed)
                place(w);
        }
        for (auto it = snapBack.begin(); it != snapBack.end();) {
            if (clock::now() < it->second) {
                ++it;
                continue;
            }
            place(it->first);
            it = snapBack.erase(it);
        }
        while (xcb_generic_event_t* event = xcb_poll_for_event(conn_)) {
            switch (event->response_type & 0x7f) {
            case XCB_MAP_REQUEST: {
                const auto* e = reinterpret_cast<xcb_map_request_event_t*>(event);
                managed.insert(e->window);
                place(e->window);
                xcb_map_window(conn_, e->window);
                break;
            }
            case XCB_CONFIGURE_REQUEST: {
                const auto* e = reinterpret_cast<xcb_configure_request_event_t*>(event);
                if (!tiled_) {
                    // A floating window gets the size it asks for.
                    const uint32_t asked[] = {e->width, e->height};
                    xcb_configure_window(conn_, e->window,
                                         XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, asked);
                    break;
                }
                const bool resizes =
                    (e->value_mask & XCB_CONFIG_WINDOW_WIDTH && e->width != size_.width()) ||
                    (e->value_mask & XCB_CONFIG_WINDOW_HEIGHT && e->height != size_.height());
                if (resizes) {
                    {
                        const std::lock_guard lock(mutex_);
                        ++refused_[e->window];
                    }
                    // The window gets what it asked for for a moment, then its place in the
                    // layout again, as a tiling window manager's next layout pass does.
                    const uint32_t asked[] = {e->width, e->height};
                    xcb_configure_window(conn_, e->window,
                                         XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, asked);
                    snapBack[e->window] = clock::now() + std::chrono::milliseconds(500);
                } else {
                    place(e->window);
                }
                break;
            }
            default:
                break;
            }
            std::free(event);
        }
        xcb_flush(conn_);
    }
}

} // namespace harness
