// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include "query_window/querywindow.h"
#include "tests/support/fakebrowser.h"
#include "tests/support/fakeservice.h"
#include "tests/support/loopbackendpoints.h"

// The query window as the tests open it. Header-only: only the tests that open a window link the
// window's library.
namespace testsupport {

// Made and shown; the caller owns it and waits for it to be exposed.
inline query_window::QueryWindow *openQueryWindow(const endpoints::Endpoints &endpoints,
                                                  browser::Factory makeBrowser,
                                                  browser::Factory makeChatBrowser)
{
    auto *window = new query_window::QueryWindow(endpoints, std::move(makeBrowser),
                                                 std::move(makeChatBrowser));
    window->show();
    return window;
}

// Over fake browsers, which start afresh: the window's own, and one for each chat notice.
inline query_window::QueryWindow *openOnFakeBrowsers(FakeBrowsers &browsers,
                                                     FakeBrowsers &chatBrowsers)
{
    browsers = {};
    chatBrowsers = {};
    return openQueryWindow(loopbackEndpoints(), browsers.factory(), chatBrowsers.factory());
}

// For a window whose chat is not under test.
inline browser::Browser *noBrowser(QWidget *)
{
    return nullptr;
}

// The service's picture host: listening, with the online and the offline picture.
inline bool listenAsLogoHost(FakeService &logo)
{
    if (!logo.listen())
        return false;
    logo.on("/qq_online.gif", Response::gif());
    logo.on("/qq_offline.gif", Response::gif());
    return true;
}

} // namespace testsupport
