// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

// bench-probe query|handoff|floor-handoff <count> <pause-ms> | scale <entries>...
//
// Our handlers timed from inside, in a fresh process for every run so that a first query is as cold
// as in the app: the query window built from the app's own libraries exactly as app/main.cpp builds
// it. query: click on 查询 → the result text, in ms, a line each. handoff: click on 留言 → the IM
// link at the desktop, and → the query window back. floor-handoff: the bare engine started → its IM
// link. scale: both query handlers, in µs, with that many entries in the history. The last three
// print "<series>\t<value>" lines.

#include "browser/handoffbrowser.h"
#include "browser/networknavigator.h"
#include "endpoints/endpoints.h"
#include "query_window/querywindow.h"
#include "tests/support/fakebrowser.h"
#include "tests/support/urlrecorder.h"
#include "tests/support/windowprobe.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <functional>

namespace bench {
namespace {

constexpr int guardMs = 15000;
const QString number = QStringLiteral("12345");

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until `done` holds, checking at every turn of the loop; gives up with
// `what` when it does not come to hold.
void waitUntil(const std::function<bool()> &done, const char *what)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > guardMs)
            qFatal("%s within %d ms", what, guardMs);
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
    }
}

void showAndSettle(QWidget &window)
{
    window.show();
    waitUntil([&] { return window.windowHandle() && window.windowHandle()->isExposed(); },
              "the window not shown");
    wait(200);
}

query_window::QueryWindow *makeWindow(const endpoints::Endpoints &endpoints)
{
    return new query_window::QueryWindow(
        endpoints, &browser::NetworkNavigator::create,
        browser::HandoffBrowser::factory(endpoints.imClientScheme));
}

int query(const endpoints::Endpoints &endpoints, int count, int pauseMs)
{
    const std::unique_ptr<QWidget> window(makeWindow(endpoints));
    showAndSettle(*window);
    const testsupport::WindowProbe probe(window.get());
    auto *queryButton = probe.queryButton();
    auto *navigator = window->findChild<browser::Browser *>();
    probe.numberBox()->setEditText(number);

    QElapsedTimer clock;
    double ms = -1;
    QEventLoop loop; // left as soon as the result is there, or when the guard gives up
    // Connected after the window's own handler, so it runs once the result text is set.
    QObject::connect(navigator, &browser::Browser::navigateComplete, &loop, [&] {
        if (probe.status() == testsupport::onlineText) {
            ms = clock.nsecsElapsed() / 1e6;
            loop.quit();
        }
    });
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    for (int i = 0; i < count; ++i) {
        ms = -1;
        guard.start(guardMs);
        clock.start();
        queryButton->click();
        loop.exec();
        if (ms < 0)
            qFatal("no result within %d ms", guardMs);
        std::printf("%.4f\n", ms);
        wait(pauseMs);
    }
    return 0;
}

int handoff(const endpoints::Endpoints &endpoints, int count, int pauseMs)
{
    testsupport::UrlRecorder desktop({endpoints.imClientScheme});
    const std::unique_ptr<QWidget> window(makeWindow(endpoints));
    showAndSettle(*window);
    const testsupport::WindowProbe probe(window.get());
    auto *chatButton = probe.chatButton();
    probe.numberBox()->setEditText(number);

    QElapsedTimer clock;
    double linkMs = -1;
    QObject::connect(&desktop, &testsupport::UrlRecorder::received, &desktop,
                     [&] { linkMs = clock.nsecsElapsed() / 1e6; });
    for (int i = 0; i < count; ++i) {
        linkMs = -1;
        clock.start();
        chatButton->click();
        waitUntil([&] { return linkMs >= 0; }, "no IM link");
        waitUntil([&] { return window->isVisible(); }, "the query window not back");
        std::printf("handoff.app.link\t%.4f\nhandoff.app.back\t%.4f\n", linkMs,
                    clock.nsecsElapsed() / 1e6);
        wait(pauseMs);
    }
    return 0;
}

// The floor of a hand-off: the bare engine started as the app starts its helper, until its link.
int floorHandoff(const endpoints::Endpoints &endpoints, int count, int pauseMs)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")); // as the helper's
    const QString program = QCoreApplication::applicationDirPath() + "/bench-floor-webengine";
    const QStringList args{"handoff", endpoints.chatHandoffAddress(number),
                           endpoints.imClientScheme};
    for (int i = 0; i < count; ++i) {
        QProcess engine;
        engine.setProcessEnvironment(env);
        engine.setStandardErrorFile(QProcess::nullDevice());
        double linkMs = -1;
        QElapsedTimer clock;
        QObject::connect(&engine, &QProcess::readyReadStandardOutput, &engine, [&] {
            while (engine.canReadLine() && linkMs < 0)
                linkMs = engine.readLine().startsWith("link ") ? clock.nsecsElapsed() / 1e6 : -1;
        });
        clock.start();
        engine.start(program, args);
        waitUntil([&] { return linkMs >= 0; }, "no IM link from the bare engine");
        std::printf("handoff.engine.link\t%.4f\n", linkMs);
        engine.closeWriteChannel();
        if (!engine.waitForFinished(5000))
            engine.kill();
        wait(pauseMs);
    }
    return 0;
}

int scale(const endpoints::Endpoints &endpoints, const QStringList &entryCounts)
{
    constexpr int samples = 101;
    for (const QString &entries : entryCounts) {
        // A browser that never goes anywhere: the handlers alone, without the network.
        testsupport::FakeBrowsers inert;
        query_window::QueryWindow window(
            endpoints, inert.factory(), browser::HandoffBrowser::factory(endpoints.imClientScheme));
        showAndSettle(window);
        const testsupport::WindowProbe probe(&window);
        auto *combo = probe.numberBox();
        auto *queryButton = probe.queryButton();
        combo->setEditText(number);
        // The history filled the way a user fills it: one query at a time.
        for (int i = 0; i < entries.toInt(); ++i) {
            queryButton->click();
            if (i % 100 == 0)
                QCoreApplication::processEvents();
        }
        wait(100);

        const QString onlineAddress = endpoints.onlineImageAddress();
        QElapsedTimer clock;
        for (int i = 0; i < samples; ++i) {
            clock.start();
            queryButton->click();
            inert.latest->complete(onlineAddress);
            std::printf("scale.%s\t%.3f\n", qPrintable(entries), clock.nsecsElapsed() / 1e3);
            // Back to the same number of entries for the next sample.
            combo->removeItem(combo->count() - 1);
            QCoreApplication::processEvents();
        }
    }
    return 0;
}

} // namespace
} // namespace bench

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    browser::NetworkNavigator::useDesktopProxies();
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // every sample as soon as it is taken
    const QStringList args = QCoreApplication::arguments().mid(1);
    const QString mode = args.value(0);
    const int count = args.value(1).toInt();
    const int pauseMs = args.value(2).toInt();
    const endpoints::Endpoints endpoints = endpoints::Endpoints::builtIn();
    if (mode == u"query")
        return bench::query(endpoints, count, pauseMs);
    if (mode == u"handoff")
        return bench::handoff(endpoints, count, pauseMs);
    if (mode == u"floor-handoff")
        return bench::floorHandoff(endpoints, count, pauseMs);
    return mode == u"scale" ? bench::scale(endpoints, args.mid(1)) : 2;
}
