// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

// bench-probe geometry
// bench-probe query <count> <pause-ms>
// bench-probe handoff <count> <pause-ms>
// bench-probe floor-handoff <count> <pause-ms>
// bench-probe scale <entries>...
//
// Our handlers, timed from inside: the query window built from the app's own libraries exactly as
// main.cpp builds it, with this build's service addresses, so that a click and the result it leads
// to are seen without a screen or a pipe in between. Each mode prints one line per sample, in
// milliseconds; the driver starts a fresh probe for every run, so that a first query in it is as
// cold as in the app.
//   geometry        where the number box and the query and chat buttons sit in the window
//   query           click on the query button → the result text
//   handoff         click on the chat button → the IM link handed to the desktop, and → the
//                   query window shown again ("<link-ms> <back-ms>")
//   floor-handoff   bench-floor-webengine started → it reports the IM link, through a QProcess
//                   as the app starts its helper
//   scale           "<entries> <ms>...": the query handler and the result handler together, with
//                   that many entries already in the history

#include "browser.h"
#include "endpoints.h"
#include "handoffbrowser.h"
#include "networknavigator.h"
#include "querywindow.h"

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <cstdio>
#include <functional>

namespace bench {
namespace {

constexpr int guardMs = 15000;
const QString number = QStringLiteral("12345");

void printMs(double ms)
{
    std::printf("%.4f\n", ms);
    std::fflush(stdout);
}

double msOf(const QElapsedTimer &clock)
{
    return double(clock.nsecsElapsed()) / 1e6;
}

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the event loop until `done` holds, checking at every turn of the loop.
bool waitUntil(const std::function<bool()> &done, int timeoutMs = guardMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
    }
    return true;
}

template <typename Widget> Widget *child(QWidget &window, const char *name)
{
    auto *widget = window.findChild<Widget *>(QString::fromLatin1(name));
    if (!widget)
        qFatal("the query window has no %s", name);
    return widget;
}

void showAndSettle(QWidget &window)
{
    window.show();
    waitUntil([&] { return window.windowHandle() && window.windowHandle()->isExposed(); });
    wait(200);
}

// A browser that never goes anywhere: the handlers alone, without the network.
class InertBrowser final : public browser::Browser
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(InertBrowser)

public:
    using Browser::Browser;
    void navigate(const QString &) override {}
    void complete(const QString &address) { emit navigateComplete(address); }
};

// The desktop as the app's hand-off sees it; QDesktopServices calls open() by name.
class Desktop final : public QObject
{
    Q_OBJECT

public:
    Q_INVOKABLE void open(const QUrl &url) { emit opened(url); }

signals:
    void opened(const QUrl &url);
};

query_window::QueryWindow *makeWindow(const endpoints::Endpoints &endpoints)
{
    return new query_window::QueryWindow(
        endpoints, &browser::NetworkNavigator::create,
        browser::HandoffBrowser::factory(endpoints.imClientScheme));
}

int geometry(const endpoints::Endpoints &endpoints)
{
    const std::unique_ptr<QWidget> window(makeWindow(endpoints));
    for (const char *name : {"Combo1", "Command1", "Command3"}) {
        const QWidget *widget = child<QWidget>(*window, name);
        const QPoint centre = widget->mapTo(window.get(), widget->rect().center());
        std::printf("%s %d %d\n", name, centre.x(), centre.y());
    }
    return 0;
}

int query(const endpoints::Endpoints &endpoints, int count, int pauseMs)
{
    const std::unique_ptr<QWidget> window(makeWindow(endpoints));
    showAndSettle(*window);
    auto *queryButton = child<QPushButton>(*window, "Command1");
    auto *status = child<QLabel>(*window, "Label3");
    auto *navigator = window->findChild<browser::Browser *>();
    child<QComboBox>(*window, "Combo1")->setEditText(number);

    const QString online = QStringLiteral("对方在线");
    QElapsedTimer clock;
    double ms = -1;
    QEventLoop loop;
    // Connected after the window's own handler, so it runs once the result text is set.
    QObject::connect(navigator, &browser::Browser::navigateComplete, &loop, [&] {
        if (status->text() == online) {
            ms = msOf(clock);
            loop.quit();
        }
    });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    for (int i = 0; i < count; ++i) {
        ms = -1;
        guard.start(guardMs);
        clock.start();
        queryButton->click();
        loop.exec();
        if (ms < 0)
            qFatal("no result within %d ms", guardMs);
        printMs(ms);
        wait(pauseMs);
    }
    return 0;
}

int handoff(const endpoints::Endpoints &endpoints, int count, int pauseMs)
{
    Desktop desktop;
    QDesktopServices::setUrlHandler(endpoints.imClientScheme, &desktop, "open");
    const std::unique_ptr<QWidget> window(makeWindow(endpoints));
    showAndSettle(*window);
    auto *chatButton = child<QPushButton>(*window, "Command3");
    child<QComboBox>(*window, "Combo1")->setEditText(number);

    QElapsedTimer clock;
    double linkMs = -1;
    QObject::connect(&desktop, &Desktop::opened, &desktop, [&] { linkMs = msOf(clock); });
    for (int i = 0; i < count; ++i) {
        linkMs = -1;
        clock.start();
        chatButton->click();
        if (!waitUntil([&] { return linkMs >= 0; }))
            qFatal("no IM link within %d ms", guardMs);
        if (!waitUntil([&] { return window->isVisible(); }))
            qFatal("the query window did not come back");
        std::printf("%.4f %.4f\n", linkMs, msOf(clock));
        std::fflush(stdout);
        wait(pauseMs);
    }
    QDesktopServices::unsetUrlHandler(endpoints.imClientScheme);
    return 0;
}

int floorHandoff(const endpoints::Endpoints &endpoints, int count, int pauseMs)
{
    const QString program = QDir(QCoreApplication::applicationDirPath())
                                .filePath(QStringLiteral("bench-floor-webengine"));
    const QString address = QString::fromLatin1(
        browser::toRequestUrl(endpoints.chatHandoffAddress(number)).toEncoded());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // Where the app's helper puts its engine too: no display of its own.
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    for (int i = 0; i < count; ++i) {
        QProcess engine;
        engine.setProcessEnvironment(env);
        engine.setStandardErrorFile(QProcess::nullDevice());
        double linkMs = -1;
        QElapsedTimer clock;
        QObject::connect(&engine, &QProcess::readyReadStandardOutput, &engine, [&] {
            while (engine.canReadLine()) {
                if (engine.readLine().startsWith("link ") && linkMs < 0)
                    linkMs = msOf(clock);
            }
        });
        clock.start();
        engine.start(program, {QStringLiteral("handoff"), address, endpoints.imClientScheme});
        if (!waitUntil([&] { return linkMs >= 0; }))
            qFatal("bench-floor-webengine gave no IM link within %d ms", guardMs);
        printMs(linkMs);
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
        InertBrowser *inert = nullptr;
        query_window::QueryWindow window(
            endpoints,
            [&inert](QWidget *host) {
                inert = new InertBrowser(host);
                return inert;
            },
            browser::HandoffBrowser::factory(endpoints.imClientScheme));
        showAndSettle(window);
        auto *combo = child<QComboBox>(window, "Combo1");
        auto *queryButton = child<QPushButton>(window, "Command1");
        combo->setEditText(number);
        // The history filled the way a user fills it: one query at a time.
        for (int i = 0; i < entries.toInt(); ++i) {
            queryButton->click();
            if (i % 100 == 0)
                QCoreApplication::processEvents();
        }
        wait(100);

        const QString onlineAddress = endpoints.onlineImageAddress();
        std::printf("%s", qPrintable(entries));
        QElapsedTimer clock;
        for (int i = 0; i < samples; ++i) {
            clock.start();
            queryButton->click();
            inert->complete(onlineAddress);
            std::printf(" %.5f", msOf(clock));
            // Back to the same number of entries for the next sample.
            combo->removeItem(combo->count() - 1);
            QCoreApplication::processEvents();
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    return 0;
}

} // namespace
} // namespace bench

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments().mid(1);
    const QString mode = args.value(0);
    const int count = args.value(1).toInt();
    const int pauseMs = args.value(2).toInt();
    const endpoints::Endpoints endpoints = endpoints::Endpoints::builtIn();
    if (mode == u"geometry")
        return bench::geometry(endpoints);
    if (mode == u"query")
        return bench::query(endpoints, count, pauseMs);
    if (mode == u"handoff")
        return bench::handoff(endpoints, count, pauseMs);
    if (mode == u"floor-handoff")
        return bench::floorHandoff(endpoints, count, pauseMs);
    if (mode == u"scale")
        return bench::scale(endpoints, args.mid(1));
    std::fputs("usage: bench-probe geometry | query|handoff|floor-handoff <count> <pause-ms> | "
               "scale <entries>...\n",
               stderr);
    return 2;
}

#include "probe.moc"
