// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "bench/windowwatch.h"

#include <algorithm>
#include <cstdlib>
#include <poll.h>
#include <stdexcept>
#include <xcb/damage.h>

namespace bench {

WindowWatch::WindowWatch()
{
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(m_connection)) {
        xcb_disconnect(m_connection);
        throw std::runtime_error("cannot connect to the X server in DISPLAY");
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    m_root = screens.data->root;

    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);

    auto *damage = xcb_damage_query_version_reply(
        m_connection, xcb_damage_query_version(m_connection, 1, 1), nullptr);
    const bool hasDamage = damage != nullptr;
    std::free(damage);
    if (!hasDamage)
        throw std::runtime_error("the X server lacks the DAMAGE extension");
    m_damageEvent =
        xcb_get_extension_data(m_connection, &xcb_damage_id)->first_event + XCB_DAMAGE_NOTIFY;
}

void WindowWatch::settle(int ms)
{
    for (const Clock::time_point deadline = after(ms); Clock::now() < deadline;)
        pump(deadline);
    m_maps.clear();
}

std::optional<WindowWatch::Event> WindowWatch::waitForMap(Clock::time_point deadline,
                                                          xcb_window_t window)
{
    for (;; pump(deadline)) {
        const auto found = std::find_if(m_maps.begin(), m_maps.end(), [window](const Event &e) {
            return window == 0 || e.window == window;
        });
        if (found != m_maps.end()) {
            const Event event = *found;
            m_maps.erase(m_maps.begin(), found + 1);
            return event;
        }
        if (Clock::now() >= deadline)
            return std::nullopt;
    }
}

std::optional<WindowWatch::Event> WindowWatch::waitForPaint(xcb_window_t window,
                                                            Clock::time_point deadline)
{
    for (;; pump(deadline)) {
        if (const auto found = m_lastPaint.find(window); found != m_lastPaint.end())
            return Event{window, found->second};
        if (Clock::now() >= deadline)
            return std::nullopt;
    }
}

// Takes every event the server has sent, waiting for the first one until the deadline.
void WindowWatch::pump(Clock::time_point deadline)
{
    xcb_flush(m_connection);
    bool handled = false;
    for (;;) {
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
            handle(event);
            std::free(event);
            handled = true;
        }
        if (handled || xcb_connection_has_error(m_connection))
            return;
        const int left = int(msBetween(Clock::now(), deadline));
        if (left <= 0)
            return;
        pollfd ready{xcb_get_file_descriptor(m_connection), POLLIN, 0};
        poll(&ready, 1, std::min(left, 1000));
    }
}

void WindowWatch::handle(xcb_generic_event_t *event)
{
    const Clock::time_point now = Clock::now();
    const uint8_t type = event->response_type & 0x7f;
    if (type == XCB_CREATE_NOTIFY) {
        const auto *created = reinterpret_cast<xcb_create_notify_event_t *>(event);
        if (created->parent != m_root)
            return;
        // Watched from its creation on, before its program can draw into it.
        const uint32_t damage = xcb_generate_id(m_connection);
        xcb_damage_create(m_connection, damage, created->window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
        xcb_flush(m_connection);
        m_damage[created->window] = damage;
    } else if (type == XCB_MAP_NOTIFY) {
        const auto *mapped = reinterpret_cast<xcb_map_notify_event_t *>(event);
        if (mapped->event != m_root)
            return;
        m_maps.push_back({mapped->window, now});
        m_lastPaint.erase(mapped->window);
        const auto damage = m_damage.find(mapped->window);
        if (damage != m_damage.end()) {
            // Forget drawing from before, so the next drawing is reported afresh.
            xcb_damage_subtract(m_connection, damage->second, XCB_NONE, XCB_NONE);
            xcb_flush(m_connection);
        }
    } else if (type == m_damageEvent) {
        const auto *damaged = reinterpret_cast<xcb_damage_notify_event_t *>(event);
        m_lastPaint.emplace(damaged->drawable, now);
    }
}

} // namespace bench
