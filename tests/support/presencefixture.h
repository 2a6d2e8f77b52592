// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include "browser/networknavigator.h"
#include "query_window/querywindow.h"
#include "tests/support/fakeservice.h"
#include "tests/support/loopbackendpoints.h"
#include "tests/support/querywindows.h"
#include "tests/support/windowprobe.h"

#include <QTest>

namespace testsupport {

// The whole presence check: the real query window and navigator against two fake services on
// loopback, the presence host and the picture host with both pictures. A test class takes it as
// its second base, opens it in init() and closes it in cleanup(). Header-only, as querywindows.h.
class PresenceFixture
{
protected:
    // Both services listening, and the window open on them.
    [[nodiscard]] bool open()
    {
        m_presence = new FakeService;
        m_logo = new FakeService;
        return m_presence->listen() && listenAsLogoHost(*m_logo) && openWindow(m_presence->host());
    }
    // A fresh window, whose presence checks go to `presenceHost`.
    [[nodiscard]] bool openWindow(const QString &presenceHost)
    {
        delete m_window;
        m_window = openQueryWindow(loopbackEndpoints(presenceHost, m_logo->host()),
                                   &browser::NetworkNavigator::create, noBrowser);
        m_ui = WindowProbe(m_window);
        return QTest::qWaitForWindowExposed(m_window);
    }
    void close()
    {
        delete m_window;
        m_window = nullptr;
        delete m_presence;
        delete m_logo;
    }

    FakeService *m_presence = nullptr;
    FakeService *m_logo = nullptr;
    query_window::QueryWindow *m_window = nullptr;
    WindowProbe m_ui;
};

} // namespace testsupport
