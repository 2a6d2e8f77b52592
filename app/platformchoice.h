// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include <QByteArray>

namespace platform_choice {

// The environment variables that tell what kind of desktop session the app starts in.
struct SessionEnvironment
{
    QByteArray qpaPlatform;    // QT_QPA_PLATFORM: the user's own choice of Qt platform, if any
    QByteArray waylandDisplay; // WAYLAND_DISPLAY: a Wayland compositor to connect to
    QByteArray sessionType;    // XDG_SESSION_TYPE: "wayland" in GNOME's and KDE's Wayland sessions
    QByteArray display;        // DISPLAY: an X server, on a Wayland desktop XWayland
};

// The process's own environment, read before Qt starts.
SessionEnvironment currentEnvironment();

// The Qt platform the app asks for, or an empty array to leave the choice to Qt.
//
// A Wayland compositor places every window itself and draws no title bar for a Qt window unless
// asked, so on native Wayland the windows are neither centred nor back in their place after a
// chat, and Qt's own title bar offers maximise. Through XWayland they keep their design, so on a
// Wayland desktop that runs XWayland the app asks for X11 ("xcb"). A user who sets
// QT_QPA_PLATFORM (for example to "wayland") gets what they set. On Windows: always Qt's choice.
QByteArray preferredPlatform(const SessionEnvironment &environment);

} // namespace platform_choice
