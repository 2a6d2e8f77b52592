// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include "proc.h"

#include <map>
#include <optional>
#include <string>
#include <vector>
#include <xcb/xcb.h>

namespace bench {

// A client of the X server of its own, beside whatever the driver shows with Qt: it sees every
// top-level window that any program creates and maps, the moment the server first has anything
// drawn into one (DAMAGE), and it types and clicks as a user would (XTEST). With no window
// manager, top-level windows are children of the root window and the server reports their
// creation and mapping to whoever listens on the root.
class XSession
{
public:
    XSession();
    ~XSession();
    XSession(const XSession &) = delete;
    XSession &operator=(const XSession &) = delete;

    struct Event
    {
        xcb_window_t window;
        Clock::time_point at;
    };

    // Forgets what happened so far.
    void clear();
    // Takes what the server reports for this long.
    void idle(int ms);
    // The first top-level window mapped since clear() (or `window` mapped again), when the server
    // told us.
    std::optional<Event> waitForMap(Clock::time_point deadline, xcb_window_t window = 0);
    // The first drawing into `window` after it was last mapped.
    std::optional<Event> waitForPaint(xcb_window_t window, Clock::time_point deadline);

    // Where a top-level window's origin is on the screen.
    void origin(xcb_window_t window, int &x, int &y);
    void click(int x, int y);
    // Digits and Return, through the server's keyboard mapping.
    void type(const std::string &keys);

private:
    void pump(Clock::time_point deadline);
    void handle(xcb_generic_event_t *event);
    void fake(uint8_t type, uint8_t detail, int x = 0, int y = 0);
    xcb_keycode_t keycodeFor(xcb_keysym_t keysym) const;

    xcb_connection_t *m_connection = nullptr;
    xcb_window_t m_root = 0;
    uint8_t m_damageEvent = 0;
    std::map<xcb_window_t, uint32_t> m_damage;
    std::vector<Event> m_maps;
    std::map<xcb_window_t, Clock::time_point> m_lastPaint;
    std::map<xcb_keysym_t, xcb_keycode_t> m_keycodes;
};

} // namespace bench
