// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "xsession.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <stdexcept>
#include <xcb/damage.h>
#include <xcb/xtest.h>

namespace bench {
namespace {

constexpr xcb_keysym_t returnKeysym = 0xff0d;

template <typename Reply> struct Freed
{
    Reply *reply;
    ~Freed() { std::free(reply); }
    Reply *operator->() const { return reply; }
    explicit operator bool() const { return reply != nullptr; }
};

} // namespace

XSession::XSession()
{
    int screenNumber = 0;
    m_connection = xcb_connect(nullptr, &screenNumber);
    if (const int error = xcb_connection_has_error(m_connection)) {
        xcb_disconnect(m_connection);
        throw std::runtime_error("cannot connect to the X server in DISPLAY (xcb error " +
                                 std::to_string(error) + ", " + std::strerror(errno) + ")");
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screenNumber; ++i)
        xcb_screen_next(&screens);
    m_root = screens.data->root;

    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);

    const Freed<xcb_damage_query_version_reply_t> damage{xcb_damage_query_version_reply(
        m_connection, xcb_damage_query_version(m_connection, 1, 1), nullptr)};
    const Freed<xcb_test_get_version_reply_t> test{xcb_test_get_version_reply(
        m_connection, xcb_test_get_version(m_connection, 2, 2), nullptr)};
    if (!damage || !test)
        throw std::runtime_error("the X server lacks the DAMAGE or XTEST extension");
    m_damageEvent =
        xcb_get_extension_data(m_connection, &xcb_damage_id)->first_event + XCB_DAMAGE_NOTIFY;

    const xcb_setup_t *setup = xcb_get_setup(m_connection);
    const int count = setup->max_keycode - setup->min_keycode + 1;
    const Freed<xcb_get_keyboard_mapping_reply_t> mapping{xcb_get_keyboard_mapping_reply(
        m_connection, xcb_get_keyboard_mapping(m_connection, setup->min_keycode, uint8_t(count)),
        nullptr)};
    if (!mapping)
        throw std::runtime_error("cannot read the keyboard mapping");
    const xcb_keysym_t *keysyms = xcb_get_keyboard_mapping_keysyms(mapping.reply);
    for (int i = count - 1; i >= 0; --i)
        m_keycodes[keysyms[i * mapping->keysyms_per_keycode]] =
            xcb_keycode_t(setup->min_keycode + i);
    xcb_flush(m_connection);
}

XSession::~XSession()
{
    xcb_disconnect(m_connection);
}

void XSession::clear()
{
    pump(Clock::now());
    m_maps.clear();
}

void XSession::idle(int ms)
{
    const Clock::time_point deadline = after(ms);
    while (Clock::now() < deadline)
        pump(deadline);
}

std::optional<XSession::Event> XSession::waitForMap(Clock::time_point deadline, xcb_window_t window)
{
    for (;;) {
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
        pump(deadline);
    }
}

std::optional<XSession::Event> XSession::waitForPaint(xcb_window_t window,
                                                      Clock::time_point deadline)
{
    for (;;) {
        const auto found = m_lastPaint.find(window);
        if (found != m_lastPaint.end())
            return Event{window, found->second};
        if (Clock::now() >= deadline)
            return std::nullopt;
        pump(deadline);
    }
}

void XSession::origin(xcb_window_t window, int &x, int &y)
{
    const Freed<xcb_translate_coordinates_reply_t> where{xcb_translate_coordinates_reply(
        m_connection, xcb_translate_coordinates(m_connection, window, m_root, 0, 0), nullptr)};
    x = where ? where->dst_x : 0;
    y = where ? where->dst_y : 0;
}

void XSession::click(int x, int y)
{
    fake(XCB_MOTION_NOTIFY, 0, x, y);
    sleepMs(20);
    fake(XCB_BUTTON_PRESS, 1);
    sleepMs(10);
    fake(XCB_BUTTON_RELEASE, 1);
}

void XSession::type(const std::string &keys)
{
    for (const char key : keys) {
        const xcb_keycode_t code = keycodeFor(key == '\n' ? returnKeysym : xcb_keysym_t(key));
        fake(XCB_KEY_PRESS, code);
        fake(XCB_KEY_RELEASE, code);
        sleepMs(5);
    }
}

void XSession::fake(uint8_t type, uint8_t detail, int x, int y)
{
    xcb_test_fake_input(m_connection, type, detail, XCB_CURRENT_TIME, m_root, int16_t(x),
                        int16_t(y), 0);
    xcb_flush(m_connection);
}

xcb_keycode_t XSession::keycodeFor(xcb_keysym_t keysym) const
{
    const auto found = m_keycodes.find(keysym);
    if (found == m_keycodes.end())
        throw std::runtime_error("no key for keysym " + std::to_string(keysym));
    return found->second;
}

// Takes every event the server has sent, waiting for the first one until the deadline.
void XSession::pump(Clock::time_point deadline)
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
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return;
        pollfd ready{xcb_get_file_descriptor(m_connection), POLLIN, 0};
        poll(&ready, 1, int(std::min<long long>(left.count(), 1000)));
    }
}

void XSession::handle(xcb_generic_event_t *event)
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
    } else if (type == XCB_DESTROY_NOTIFY) {
        const auto *destroyed = reinterpret_cast<xcb_destroy_notify_event_t *>(event);
        m_damage.erase(destroyed->window);
        m_lastPaint.erase(destroyed->window);
    } else if (type == m_damageEvent) {
        const auto *damaged = reinterpret_cast<xcb_damage_notify_event_t *>(event);
        m_lastPaint.emplace(damaged->drawable, now);
    }
}

} // namespace bench
