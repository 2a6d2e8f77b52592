// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "app/platformchoice.h"

#include <QtGlobal>

namespace platform_choice {

SessionEnvironment currentEnvironment()
{
    return {qgetenv("QT_QPA_PLATFORM"), qgetenv("WAYLAND_DISPLAY"), qgetenv("XDG_SESSION_TYPE"),
            qgetenv("DISPLAY")};
}

QByteArray preferredPlatform(const SessionEnvironment &environment)
{
#ifdef Q_OS_WIN
    // There is no X11 to ask for on Windows, though under Wine the Linux session's variables reach
    // the app too.
    Q_UNUSED(environment)
    return {};
#else
    // Qt itself takes a Wayland session to be either of these, and an empty variable as unset.
    const bool wayland =
        !environment.waylandDisplay.isEmpty() || environment.sessionType == "wayland";
    if (!environment.qpaPlatform.isEmpty() || !wayland || environment.display.isEmpty())
        return {};
    return QByteArrayLiteral("xcb");
#endif
}

} // namespace platform_choice
