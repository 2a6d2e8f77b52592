// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include "bench/child.h"

#include <map>
#include <optional>
#include <vector>
#include <xcb/xcb.h>

namespace bench {

// A client of the X server of the driver's own: it sees every top-level window that any program
// creates and maps, and the moment the server first has anything drawn into one (DAMAGE). With no
// window manager, top-level windows are children of the root window and the server reports their
// creation and mapping to whoever listens on the root.
class WindowWatch
{
public:
    WindowWatch();
    ~WindowWatch() { xcb_disconnect(m_connection); }
    Q_DISABLE_COPY_MOVE(WindowWatch)

    struct Event
    {
        xcb_window_t window;
        Clock::time_point at;
    };

    // Takes what the server reports for this long, then forgets every window mapped so far. After a
    // program ends, this lets the server see its windows go before anything else connects: Xvfb
    // refuses some of the connections that come in while it is still tearing down a client's.
    void settle(int ms);
    // The first top-level window mapped since then (or `window` mapped again), when it was.
    std::optional<Event> waitForMap(Clock::time_point deadline, xcb_window_t window = 0);
    // The first drawing into `window` after it was last mapped.
    std::optional<Event> waitForPaint(xcb_window_t window, Clock::time_point deadline);

private:
    void pump(Clock::time_point deadline);
    void handle(xcb_generic_event_t *event);

    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_root = 0;
    uint8_t m_damageEvent = 0;
    std::map<xcb_window_t, uint32_t> m_damage;
    std::vector<Event> m_maps;
    std::map<xcb_window_t, Clock::time_point> m_lastPaint;
};

} // namespace bench
