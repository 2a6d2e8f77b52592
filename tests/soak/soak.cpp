// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

// A long run of the real window, navigator and hand-off helper against a fake service on
// loopback: 1,000 queries with a hand-off every 100. Prints memory, processes and file
// descriptors as it goes, and fails if processes or descriptors grow or anything is left behind.

#include "browser/handoffbrowser.h"
#include "browser/networknavigator.h"
#include "query_window/querywindow.h"
#include "tests/support/fakeservice.h"
#include "tests/support/loopbackendpoints.h"
#include "tests/support/processes.h"
#include "tests/support/urlrecorder.h"
#include "tests/support/windowprobe.h"

#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <functional>

using testsupport::FakeService;
using testsupport::Response;

namespace {

constexpr int queries = 1000;
constexpr int handOffEvery = 100;

bool waitFor(const std::function<bool()> &condition, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        // What returning to the main loop would do: the soak runs outside it.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

struct Sample
{
    int query;
    qint64 pssKiB;
    int processes;
    int descriptors;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const qint64 self = QCoreApplication::applicationPid();

    FakeService presence;
    FakeService logo;
    if (!presence.listen() || !logo.listen())
        return 2;
    logo.on("/qq_online.gif", Response::gif());
    logo.on("/qq_offline.gif", Response::gif());
    presence.setFallback([&](const testsupport::Request &request) {
        if (request.path() == "/msgrd")
            return Response::html("<script>location.href='imclient://message/?uin=" +
                                  request.target.mid(request.target.lastIndexOf('=') + 1) +
                                  "'</script>");
        const bool online = request.target.at(request.target.size() - 3) % 2 == 0;
        return Response::redirect(logo.url(online ? "/qq_online.gif" : "/qq_offline.gif"));
    });
    testsupport::UrlRecorder desktop({QStringLiteral("imclient")});

    query_window::QueryWindow window(
        testsupport::loopbackEndpoints(presence.host(), logo.host()),
        &browser::NetworkNavigator::create,
        browser::HandoffBrowser::factory(QStringLiteral("imclient"),
                                         QStringLiteral(HANDOFF_HELPER_PATH)));
    const testsupport::WindowProbe ui(&window);
    window.show();

    QList<Sample> samples;
    QElapsedTimer clock;
    clock.start();
    int failures = 0;
    for (int i = 1; i <= queries; ++i) {
        ui.numberBox()->lineEdit()->setText(QString::number(100000 + i));
        ui.click(ui.queryButton());
        if (!waitFor([&] { return ui.status() != testsupport::checkingText; }, 10000)) {
            std::printf("query %d did not complete\n", i);
            ++failures;
        }
        if (i % handOffEvery == 0) {
            const qsizetype before = desktop.opened.size();
            ui.click(ui.chatButton());
            if (!waitFor([&] { return window.isVisible(); }, 35000) ||
                desktop.opened.size() != before + 1) {
                std::printf("hand-off after query %d did not complete\n", i);
                ++failures;
            }
            // Let the helper finish shutting down before counting processes.
            waitFor([&] { return testsupport::descendants(self).isEmpty(); }, 5000);
        }
        if (i == 1 || i == 100 || i == 500 || i == 1000) {
            samples.append({i, testsupport::treePssKiB(self),
                            int(testsupport::descendants(self).size()),
                            testsupport::openFileDescriptors(self)});
        }
    }

    std::printf("%-8s %10s %10s %12s\n", "queries", "PSS MiB", "processes", "descriptors");
    for (const Sample &sample : samples)
        std::printf("%-8d %10.1f %10d %12d\n", sample.query, sample.pssKiB / 1024.0,
                    sample.processes, sample.descriptors);
    std::printf("%d queries and %d hand-offs in %.1f s, %lld links handed to the desktop\n",
                queries, queries / handOffEvery, clock.elapsed() / 1000.0,
                qlonglong(desktop.opened.size()));

    const Sample &first = samples.at(1);
    const Sample &last = samples.last();
    if (last.processes > first.processes || last.descriptors > first.descriptors + 2) {
        std::printf("FAIL: processes or descriptors grew\n");
        ++failures;
    }

    // The exit button, as a user presses it, and nothing of ours may stay behind.
    QTimer::singleShot(0, &window, [&] { ui.click(ui.exitButton()); });
    QApplication::exec();
    if (!waitFor([&] { return testsupport::descendants(self).isEmpty(); }, 5000)) {
        std::printf("FAIL: processes left after exit\n");
        ++failures;
    }
    std::printf(failures ? "soak: FAILED (%d)\n" : "soak: passed\n", failures);
    return failures ? 1 : 0;
}
