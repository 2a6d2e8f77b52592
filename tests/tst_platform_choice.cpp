// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "app/platformchoice.h"

#include <QTest>

using platform_choice::SessionEnvironment;

Q_DECLARE_METATYPE(SessionEnvironment)

// What the app asks for where it would take X11 through XWayland. A Windows build has no X11 to
// ask for, while under Wine the Linux session's variables reach it unchanged.
#ifdef Q_OS_WIN
static const QByteArray throughXWayland;
#else
static const QByteArray throughXWayland = QByteArrayLiteral("xcb");
#endif

// Which Qt platform the app asks for, by the session it starts in.
class TestPlatformChoice : public QObject
{
    Q_OBJECT

private slots:
    void choice_data()
    {
        QTest::addColumn<SessionEnvironment>("environment");
        QTest::addColumn<QByteArray>("platform");

        // QT_QPA_PLATFORM, WAYLAND_DISPLAY, XDG_SESSION_TYPE, DISPLAY
        QTest::newRow("GNOME or KDE on Wayland, with XWayland")
            << SessionEnvironment{"", "wayland-0", "wayland", ":0"} << throughXWayland;
        QTest::newRow("a compositor that sets only its socket")
            << SessionEnvironment{"", "wayland-1", "", ":1"} << throughXWayland;
        QTest::newRow("a Wayland session whose socket is not passed on")
            << SessionEnvironment{"", "", "wayland", ":0"} << throughXWayland;

        QTest::newRow("Wayland without XWayland")
            << SessionEnvironment{"", "wayland-0", "wayland", ""} << QByteArray();
        QTest::newRow("the user asks for native Wayland")
            << SessionEnvironment{"wayland", "wayland-0", "wayland", ":0"} << QByteArray();
        QTest::newRow("the user asks for a list of platforms")
            << SessionEnvironment{"wayland;xcb", "wayland-0", "wayland", ":0"} << QByteArray();
        QTest::newRow("headless, as the tests run")
            << SessionEnvironment{"offscreen", "wayland-0", "wayland", ":0"} << QByteArray();

        QTest::newRow("an X11 session") << SessionEnvironment{"", "", "x11", ":0"} << QByteArray();
        QTest::newRow("a console or an SSH login")
            << SessionEnvironment{"", "", "tty", ""} << QByteArray();
        QTest::newRow("nothing set") << SessionEnvironment{} << QByteArray();
    }
    void choice()
    {
        QFETCH(SessionEnvironment, environment);
        QFETCH(QByteArray, platform);

        QCOMPARE(platform_choice::preferredPlatform(environment), platform);
    }
};

QTEST_GUILESS_MAIN(TestPlatformChoice)
#include "tst_platform_choice.moc"
