// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

// 200 chat hand-offs in a row through the real window, hand-off browser and helper against a fake
// service on loopback, each started the moment the query window is back: in the next turn of the
// event loop, before the notice it replaces has been deleted. Prints memory, processes and
// descriptors as it goes, and fails unless the query window ends up shown, alone, with no helper
// left, no notice left over and the app's memory flat.
// Then a burst: 200 clicks on 留言 as fast as a user can bounce, each notice closed through its
// frame the moment it shows, so that every hand-off is cut short while its helper still starts
// its engine. Prints how many helpers ran at once and the memory of the app with all its
// processes at the peak, and fails if more than two helpers ever ran at once.

#include "browser/handoffbrowser.h"
#include "browser/networknavigator.h"
#include "query_window/querywindow.h"
#include "tests/support/fakeservice.h"
#include "tests/support/loopbackendpoints.h"
#include "tests/support/processes.h"
#include "tests/support/urlrecorder.h"
#include "tests/support/windowprobe.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <cstdio>

using testsupport::Response;

namespace {

constexpr int handOffs = 200;
// A hand-off that has not come back by then is stuck: beyond the hand-off's own deadline.
constexpr int stuckMs = 40000;
// The app's own heap and stack (its anonymous resident memory) may move this much between the
// first sample after warming up and the last. Its PSS is shown too, but moves with how many helpers
// share its libraries at the moment.
constexpr qint64 flatKiB = 1024;
constexpr int sampleEvery = 25;
constexpr int burstClicks = 200;
// The current helper and the one shutting down.
constexpr int mostHelpersAllowed = 2;

struct Sample
{
    int handOff;
    qint64 appPssKiB;
    qint64 appAnonKiB;
    int notices; // notices still in memory, the one just finished among them
    int descriptors;
};

// Processes of ours that are still running (zombies are dead already): all of them, or only the
// app's own children, the helpers.
int runningDescendants(qint64 pid, bool childrenOnly = false)
{
    const QList<qint64> tree = testsupport::descendants(pid);
    const QList<testsupport::ProcessInfo> all = testsupport::allProcesses();
    return int(std::count_if(all.cbegin(), all.cend(), [&](const testsupport::ProcessInfo &p) {
        return tree.contains(p.pid) && p.state != 'Z' && p.state != 'X' &&
               (!childrenOnly || p.parent == pid);
    }));
}

qint64 anonKiB(qint64 pid)
{
    const QList<QByteArray> lines = testsupport::readProc(pid, "status").split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith("RssAnon:"))
            return line.simplified().split(' ').value(1).toLongLong();
    }
    return 0;
}

int notices()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return int(std::count_if(windows.cbegin(), windows.cend(), [](const QWidget *window) {
        return window->objectName() == u"Form3";
    }));
}

// Starts the next hand-off each time the query window shows again, and records how it went.
class Driver : public QObject
{
public:
    Driver(QWidget *window, testsupport::UrlRecorder *desktop)
        : m_window(window), m_ui(window), m_desktop(desktop)
    {
        m_window->installEventFilter(this);
        m_stuck.setSingleShot(true);
        m_stuck.setInterval(stuckMs);
        connect(&m_stuck, &QTimer::timeout, this, [this] {
            fail("a hand-off did not come back");
            QCoreApplication::exit(1);
        });
        // Helpers overlap while one shuts down and the next starts; this finds out how many.
        m_watch.setInterval(100);
        connect(&m_watch, &QTimer::timeout, this, [this] {
            m_mostProcesses = std::max(m_mostProcesses, runningDescendants(m_self));
            m_mostHelpers = std::max(m_mostHelpers, runningDescendants(m_self, true));
        });
    }

    void start()
    {
        m_clock.start();
        m_watch.start();
        startHandOff();
    }

    QList<Sample> samples;
    int failures = 0;
    int mostProcesses() const { return m_mostProcesses; }
    int mostHelpers() const { return m_mostHelpers; }
    double seconds() const { return m_clock.elapsed() / 1000.0; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::Show)
            QMetaObject::invokeMethod(this, &Driver::handOffReturned, Qt::QueuedConnection);
        return QObject::eventFilter(watched, event);
    }

private:
    void startHandOff()
    {
        ++m_started;
        m_stuck.start();
        m_ui.click(m_ui.chatButton());
    }

    void handOffReturned()
    {
        m_stuck.stop();
        if (m_started == 1 || m_started % sampleEvery == 0) {
            samples.append({m_started, testsupport::pssKiB(m_self), anonKiB(m_self), notices(),
                            testsupport::openFileDescriptors(m_self)});
        }
        if (m_started < handOffs) {
            startHandOff();
            return;
        }
        m_watch.stop();
        // The last helper shuts down in its own time; give it the grace it gets.
        QTimer::singleShot(5000, this, &Driver::finish);
    }

    void finish()
    {
        // The burst after this one is watched on its own.
        m_window->removeEventFilter(this);
        if (m_desktop->opened.size() != handOffs)
            fail("not every hand-off handed its link to the desktop");
        if (testsupport::visibleWindows() != QStringList{QStringLiteral("Form1")})
            fail("the query window is not the one window shown");
        if (notices() != 0)
            fail("a notice is left over");
        if (runningDescendants(m_self) != 0)
            fail("a helper is left running");
        QCoreApplication::exit(0);
    }

    void fail(const char *what)
    {
        std::printf("FAIL after %d hand-offs: %s\n", m_started, what);
        ++failures;
    }

    QWidget *m_window;
    testsupport::WindowProbe m_ui;
    testsupport::UrlRecorder *m_desktop;
    const qint64 m_self = QCoreApplication::applicationPid();
    QTimer m_stuck;
    QTimer m_watch;
    QElapsedTimer m_clock;
    int m_started = 0;
    int m_mostProcesses = 0;
    int m_mostHelpers = 0;
};

// Clicks 留言 whenever the query window is shown, and closes the notice whenever one is, each turn
// of the event loop, until 留言 has been clicked burstClicks times and every helper has ended.
class Burst : public QObject
{
public:
    explicit Burst(QWidget *window) : m_window(window), m_ui(window)
    {
        connect(&m_tick, &QTimer::timeout, this, &Burst::tick);
        m_watch.setInterval(20);
        connect(&m_watch, &QTimer::timeout, this, [this] {
            m_mostHelpers = std::max(m_mostHelpers, runningDescendants(m_self, true));
            m_peakTreePssKiB = std::max(m_peakTreePssKiB, testsupport::treePssKiB(m_self));
        });
    }

    void start()
    {
        m_clock.start();
        m_watch.start();
        m_tick.start();
    }

    int mostHelpers() const { return m_mostHelpers; }
    qint64 peakTreePssKiB() const { return m_peakTreePssKiB; }
    double clickSeconds() const { return m_clickSeconds; }

private:
    void tick()
    {
        if (m_clicks == burstClicks) {
            if (runningDescendants(m_self) == 0) {
                m_tick.stop();
                m_watch.stop();
                QCoreApplication::exit(0);
            }
            return;
        }
        if (m_window->isVisible()) {
            m_ui.click(m_ui.chatButton());
            if (++m_clicks == burstClicks)
                m_clickSeconds = m_clock.elapsed() / 1000.0;
            return;
        }
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget *window : windows) {
            if (window->objectName() == u"Form3" && window->isVisible())
                window->close();
        }
    }

    QWidget *m_window;
    testsupport::WindowProbe m_ui;
    const qint64 m_self = QCoreApplication::applicationPid();
    QTimer m_tick;
    QTimer m_watch;
    QElapsedTimer m_clock;
    int m_clicks = 0;
    double m_clickSeconds = 0;
    int m_mostHelpers = 0;
    qint64 m_peakTreePssKiB = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);

    testsupport::FakeService service;
    if (!service.listen())
        return 2;
    service.setFallback([](const testsupport::Request &request) {
        if (request.path() != "/msgrd") {
            Response notFound;
            notFound.status = 404;
            return notFound;
        }
        return Response::html("<script>location.href='imclient://message/?uin=" +
                              request.target.mid(request.target.lastIndexOf('=') + 1) +
                              "'</script>");
    });
    testsupport::UrlRecorder desktop({QStringLiteral("imclient")});

    query_window::QueryWindow window(
        testsupport::loopbackEndpoints(service.host()), &browser::NetworkNavigator::create,
        browser::HandoffBrowser::factory(QStringLiteral("imclient"),
                                         QStringLiteral(HANDOFF_HELPER_PATH)));
    const testsupport::WindowProbe ui(&window);
    ui.numberBox()->lineEdit()->setText(QStringLiteral("67890"));
    window.show();

    Driver driver(&window, &desktop);
    QTimer::singleShot(0, &driver, &Driver::start);
    QApplication::exec();

    std::printf("%-9s %8s %9s %8s %12s\n", "hand-offs", "PSS MiB", "anon MiB", "notices",
                "descriptors");
    for (const Sample &sample : driver.samples)
        std::printf("%-9d %8.1f %9.1f %8d %12d\n", sample.handOff, sample.appPssKiB / 1024.0,
                    sample.appAnonKiB / 1024.0, sample.notices, sample.descriptors);
    std::printf("%lld hand-offs in %.1f s, %lld links handed to the desktop, at most %d helpers "
                "and %d processes of ours at once\n",
                qlonglong(driver.samples.isEmpty() ? 0 : driver.samples.last().handOff),
                driver.seconds(), qlonglong(desktop.opened.size()), driver.mostHelpers(),
                driver.mostProcesses());

    int failures = driver.failures;
    if (driver.samples.size() > 2) {
        const Sample &warm = driver.samples.at(1);
        const Sample &last = driver.samples.last();
        if (last.appAnonKiB - warm.appAnonKiB > flatKiB) {
            std::printf("FAIL: the app's memory grew by %.1f MiB after warming up\n",
                        (last.appAnonKiB - warm.appAnonKiB) / 1024.0);
            ++failures;
        }
        if (last.descriptors > warm.descriptors + 2) {
            std::printf("FAIL: file descriptors grew\n");
            ++failures;
        }
    }

    Burst burst(&window);
    QTimer::singleShot(0, &burst, &Burst::start);
    QApplication::exec();
    std::printf("burst: %d clicks on 留言 in %.2f s, at most %d helpers at once, %.1f MiB at the "
                "peak (PSS of the app and all its processes)\n",
                burstClicks, burst.clickSeconds(), burst.mostHelpers(),
                burst.peakTreePssKiB() / 1024.0);
    if (burst.mostHelpers() > mostHelpersAllowed) {
        std::printf("FAIL: more than %d helpers at once\n", mostHelpersAllowed);
        ++failures;
    }
    std::printf(failures ? "hand-off soak: FAILED (%d)\n" : "hand-off soak: passed\n", failures);
    return failures ? 1 : 0;
}
