// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "browser/handoffbrowser.h"
#include "chat_window/chatwindow.h"
#include "query_window/querywindow.h"
#include "tests/support/fakebrowser.h"
#include "tests/support/fakeservice.h"
#include "tests/support/freshhome.h"
#include "tests/support/loopbackendpoints.h"
#include "tests/support/processes.h"
#include "tests/support/urlrecorder.h"
#include "tests/support/windowprobe.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>

#include <memory>
#include <signal.h>

using chat_window::ChatWindow;
using query_window::QueryWindow;
using testsupport::FakeBrowsers;
using testsupport::FakeService;
using testsupport::Request;
using testsupport::Response;
using testsupport::topLevel;
using testsupport::visibleWindows;

namespace {

// Far below the hand-off browser's own deadline, so a return that only the deadline brought
// about fails the test; far above what a working hand-off takes on a slow machine.
constexpr int returnTimeoutMs = 20000;

const QString helperPath = QStringLiteral(HANDOFF_HELPER_PATH);
const QByteArray number = "67890";
const QUrl expectedLink(QStringLiteral("imclient://message/?uin=67890&Menu=yes"));

// Inherited by the helper and by every engine process it starts, and by nothing of anybody else.
const QByteArray runMarker =
    "TOLVANE_HANDOFF_TEST_RUN=" + QByteArray::number(QCoreApplication::applicationPid());

// Pages get the number the app put into the address, as the service's page does.
const QByteArray inlineLinkPage =
    "<html><body><script>location.href = 'imclient://message/?uin={uin}&Menu=yes';</script>"
    "</body></html>";
const QByteArray linkAfterLoadPage =
    "<html><body onload=\"setTimeout(function () {"
    " location.href = 'imclient://message/?uin={uin}&Menu=yes'; }, 100)\">wait</body></html>";
const QByteArray idlePage = "<html><body>nothing happens here</body></html>";
// Never done loading, so never idle either; it tells the service once its script runs.
const QByteArray endlessPage = "<html><body><script>new Image().src = '/started';</script>";
// Loads, and a moment later moves on to the endless page (at /endless).
const QByteArray loadedThenEndlessPage =
    "<html><body onload=\"setTimeout(function () { location.href = '/endless'; }, 200)\">"
    "moving on</body></html>";
// Tries everything a hand-off page must not get, tells the service of each success under /leak,
// and only then produces its link, more than once. Its frames try too: a frame's link to the IM
// client is not the page's.
const QByteArray hostilePage = R"(<html><body>
<iframe src="/download"></iframe>
<iframe src="file:///etc/hostname"></iframe>
<iframe src="othercustom://frame"></iframe>
<iframe src="imclient://message/?uin=11111&Menu=yes"></iframe>
<script>
function leak(what) { new Image().src = '/leak?' + what; }
var steps = ['file:///etc/hostname', 'othercustom://message/?uin={uin}', '/download'];
function next() {
    if (steps.length === 0) {
        for (var i = 0; i < 3; ++i)
            location.href = 'imclient://message/?uin={uin}&Menu=yes';
        return;
    }
    location.href = steps.shift();
    setTimeout(next, 300);
}
window.onload = function () {
    if (window.open('/leak?window'))
        leak('opened');
    navigator.geolocation.getCurrentPosition(function () { leak('geolocation'); });
    navigator.mediaDevices.getUserMedia({audio: true}).then(function () { leak('microphone'); },
                                                             function () {});
    Notification.requestPermission().then(function (answer) {
        if (answer !== 'denied')
            leak('notifications-' + answer);
        next();
    });
};
</script></body></html>)";

Response attachment()
{
    Response response;
    response.contentType = "application/octet-stream";
    response.headers.append(
        {"Content-Disposition", QByteArrayLiteral("attachment; filename=\"handoff.bin\"")});
    response.body = QByteArray(4096, 'x');
    return response;
}

struct Process
{
    qint64 pid;
    qint64 parent;
    QString exe;
};

// Live processes whose environment carries `marker` (every engine process of this test run), or
// with no marker given, every live process. Zombies are dead already and count for nothing.
QList<Process> processes(const QByteArray &marker = {})
{
    QList<Process> found;
    for (const testsupport::ProcessInfo &process : testsupport::allProcesses()) {
        if (process.pid == QCoreApplication::applicationPid() || process.state == 'Z' ||
            process.state == 'X')
            continue;
        if (!marker.isEmpty() &&
            !testsupport::readProc(process.pid, "environ").split('\0').contains(marker))
            continue;
        found.append({process.pid, process.parent,
                      QFileInfo(QStringLiteral("/proc/%1/exe").arg(process.pid)).symLinkTarget()});
    }
    return found;
}

QList<qint64> engineProcesses()
{
    QList<qint64> pids;
    for (const Process &process : processes(runMarker))
        pids.append(process.pid);
    return pids;
}

QList<qint64> helperProcesses()
{
    const QString helper = QFileInfo(helperPath).canonicalFilePath();
    QList<qint64> pids;
    for (const Process &process : processes()) {
        if (process.parent == QCoreApplication::applicationPid() && process.exe == helper)
            pids.append(process.pid);
    }
    return pids;
}

qint64 helperProcess()
{
    return helperProcesses().value(0);
}

// The engine's render processes, forked from its zygote or started by the helper itself, name
// their type on their command line.
QList<qint64> rendererProcesses()
{
    QList<qint64> renderers;
    for (const Process &process : processes(runMarker)) {
        if (process.exe.endsWith(u"/QtWebEngineProcess") &&
            testsupport::readProc(process.pid, "cmdline").split('\0').contains("--type=renderer"))
            renderers.append(process.pid);
    }
    return renderers;
}

// A shell script standing in for the helper, executable by its owner.
QString writeScript(const QTemporaryDir &dir, const QByteArray &body,
                    const QString &name = QStringLiteral("fake-helper"))
{
    const QString path = dir.filePath(name);
    QFile script(path);
    if (!script.open(QIODevice::WriteOnly))
        return {};
    script.write("#!/bin/sh\n" + body);
    script.close();
    script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// Records what reaches the hand-off's log while it lives, as "level: message". Warnings still go
// on to the test's own output; debug lines, of which a helper may write many, do not.
class HandoffLog
{
    Q_DISABLE_COPY_MOVE(HandoffLog)

public:
    HandoffLog()
    {
        s_current = this;
        s_previous = qInstallMessageHandler(&record);
    }
    ~HandoffLog()
    {
        qInstallMessageHandler(s_previous);
        s_current = nullptr;
    }

    QStringList lines;

private:
    static void record(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        const bool ours = qstrcmp(context.category, "tolvane.handoff") == 0;
        if (ours)
            s_current->lines << QString::fromLatin1(type == QtDebugMsg ? "debug: " : "warning: ") +
                                    message;
        if (!ours || type != QtDebugMsg)
            s_previous(type, context, message);
    }

    static inline HandoffLog *s_current = nullptr;
    static inline QtMessageHandler s_previous = nullptr;
};

} // namespace

// The chat hand-off with the real helper and its web engine, against a fake service on loopback.
// After every case no engine process is left, and the test's own empty home is still empty.
class TestHandoff : public QObject
{
    Q_OBJECT

    testsupport::FreshHome m_home;
    // Everything the app could hand to the desktop, whether it should or not, ends up here.
    testsupport::UrlRecorder m_desktop{{QStringLiteral("imclient"), QStringLiteral("othercustom"),
                                        QStringLiteral("file"), QStringLiteral("http"),
                                        QStringLiteral("https")}};
    FakeService *m_service = nullptr;
    FakeBrowsers m_browsers;
    QueryWindow *m_window = nullptr;
    testsupport::WindowProbe m_ui;
    // Helpers that stand in for the real one.
    QTemporaryDir m_fakes;

    // A query window with a presence result, its history and the number typed for a chat.
    void openWindow(const QString &presenceHost, const QString &helper = helperPath)
    {
        m_browsers = {};
        m_window =
            new QueryWindow(testsupport::loopbackEndpoints(presenceHost), m_browsers.factory(),
                            browser::HandoffBrowser::factory(QStringLiteral("imclient"), helper));
        m_ui = testsupport::WindowProbe(m_window);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
        testsupport::queryOnlineThenType(m_ui, *m_browsers.latest, QString::fromLatin1(number));
    }

    // The hand-off page at its address on the fake service, with the number filled in, and the
    // endless page at /endless.
    void servePage(const QByteArray &page, bool unfinished = false)
    {
        m_service->setFallback([page, unfinished](const Request &request) {
            Response response;
            if (request.path() == "/endless") {
                response = Response::html(endlessPage);
                response.unfinished = true;
                return response;
            }
            if (request.path() != "/msgrd") {
                response.status = 404;
                return response;
            }
            const QUrlQuery query(
                QString::fromLatin1(request.target.mid(request.path().size() + 1)));
            response = Response::html(QByteArray(page).replace(
                "{uin}", query.queryItemValue(QStringLiteral("Uin")).toLatin1()));
            response.unfinished = unfinished;
            return response;
        });
    }
    QByteArray pageAddress() const { return m_service->url("/msgrd?V=1&Uin=" + number); }

    // The notice that the click brought up, which is not `finished`: a notice that has finished
    // may still be around, waiting for its deletion.
    QPointer<ChatWindow> startChat(const ChatWindow *finished = nullptr)
    {
        m_ui.click(m_ui.chatButton());
        const QWidgetList windows = QApplication::topLevelWidgets();
        for (QWidget *window : windows) {
            if (window->objectName() == u"Form3" && window != finished)
                return qobject_cast<ChatWindow *>(window);
        }
        return nullptr;
    }

    int requestsFor(const QByteArray &path) const
    {
        const QList<Request> requests = m_service->requests();
        return int(std::count_if(requests.cbegin(), requests.cend(),
                                 [&](const Request &request) { return request.path() == path; }));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.enter());
        const qsizetype equals = runMarker.indexOf('=');
        qputenv(runMarker.left(equals).constData(), runMarker.mid(equals + 1));
    }
    void init()
    {
        m_desktop.opened.clear();
        m_service = new FakeService(this);
        QVERIFY(m_service->listen());
    }
    void cleanup()
    {
        delete m_window;
        m_window = nullptr;
        delete m_service;
        QTRY_VERIFY(!topLevel<ChatWindow>("Form3"));
        QTRY_COMPARE_WITH_TIMEOUT(engineProcesses(), QList<qint64>(), 10000);
        QCOMPARE(m_home.contents(), QStringList());
    }

    // Exactly one address reaches the desktop: the page's link to the IM client, or where our
    // engine fails before the page has loaded, the hand-off page itself, in the very bytes the
    // helper would have been asked for; the log says why and how the engine ended. The helper's
    // environment can keep its engine from starting. A click on 留言 right after the page went to
    // the desktop, as the second click of a double click lands, is the same chat; a click after
    // the double-click interval is a new one.
    void handsTheLinkOverOnce_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QString>("helper");
        QTest::addColumn<QByteArray>("environment");
        // The page never finishes loading; its renderers are killed once its script has run.
        QTest::addColumn<bool>("killRenderer");
        // The one line of the log, where the page itself goes to the desktop.
        QTest::addColumn<QRegularExpression>("log");
        const auto line = [](const QString &level, const QString &why) {
            return QRegularExpression(
                QLatin1Char('^') + QRegularExpression::escape(level + QStringLiteral(": ")) + why +
                QRegularExpression::escape(
                    QStringLiteral(": the hand-off page goes to the default browser")) +
                QLatin1Char('$'));
        };
        const QRegularExpression noEngine =
            line(QStringLiteral("warning"), QStringLiteral("the hand-off helper's web engine could "
                                                           "not start"));
        const QRegularExpression rendererEnded =
            line(QStringLiteral("warning"), QStringLiteral("the hand-off helper's render process "
                                                           "ended before the page had loaded"));
        const auto beforeLoad = [&](const QString &how) {
            return line(QStringLiteral("warning"),
                        how + QStringLiteral(" before the page had loaded"));
        };
        QTest::newRow("inline redirect")
            << inlineLinkPage << helperPath << QByteArray() << false << QRegularExpression();
        QTest::newRow("redirect after load")
            << linkAfterLoadPage << helperPath << QByteArray() << false << QRegularExpression();
        const QString missing = helperPath + QStringLiteral(".missing");
        QTest::newRow("helper missing")
            << inlineLinkPage << missing << QByteArray() << false
            << line(QStringLiteral("warning"),
                    QStringLiteral("no hand-off helper at ") + QRegularExpression::escape(missing));
        const QString notExecutable = writeScript(m_fakes, "", QStringLiteral("not-executable"));
        QFile::setPermissions(notExecutable, QFile::ReadOwner | QFile::WriteOwner);
        QTest::newRow("helper not executable")
            << inlineLinkPage << notExecutable << QByteArray() << false
            << line(QStringLiteral("warning"), QStringLiteral("the hand-off helper could not be "
                                                              "started \\(.*Permission denied\\)"));
        QTest::newRow("helper says its engine could not start")
            << inlineLinkPage
            << writeScript(m_fakes, "echo unavailable\nexit 1\n", QStringLiteral("no-engine"))
            << QByteArray() << false << noEngine;
        QTest::newRow("helper exits at once with 0")
            << inlineLinkPage << writeScript(m_fakes, "exit 0\n", QStringLiteral("exits-0"))
            << QByteArray() << false
            << beforeLoad(QStringLiteral("the hand-off helper exited with code 0"));
        QTest::newRow("helper exits at once with 1")
            << inlineLinkPage << QStringLiteral("/bin/false") << QByteArray() << false
            << beforeLoad(QStringLiteral("the hand-off helper exited with code 1"));
        QTest::newRow("helper killed by a signal")
            << inlineLinkPage << writeScript(m_fakes, "kill -SEGV $$\n", QStringLiteral("crashes"))
            << QByteArray() << false
            << beforeLoad(QStringLiteral("the hand-off helper crashed \\(signal 11\\)"));
        // The dynamic loader finds a web engine library it cannot load first, as where the
        // library is missing, and refuses the real helper.
        QDir(m_fakes.path()).mkdir(QStringLiteral("libs"));
        writeScript(m_fakes, "", QStringLiteral("libs/libQt6WebEngineCore.so.6"));
        QTest::newRow("loader refuses the helper")
            << inlineLinkPage << helperPath
            << "LD_LIBRARY_PATH=" + QFile::encodeName(m_fakes.filePath(QStringLiteral("libs")))
            << false << beforeLoad(QStringLiteral("the hand-off helper exited with code 127"));
        QTest::newRow("engine's process missing")
            << inlineLinkPage << helperPath << QByteArray("QTWEBENGINEPROCESS_PATH=/nonexistent")
            << false << noEngine;
        QTest::newRow("engine's renderer cannot run")
            << inlineLinkPage << helperPath << QByteArray("QTWEBENGINEPROCESS_PATH=/bin/false")
            << false << rendererEnded;
        QTest::newRow("renderer killed while the page loads")
            << endlessPage << helperPath << QByteArray() << true << rendererEnded;
    }
    void handsTheLinkOverOnce()
    {
        QFETCH(QByteArray, page);
        QFETCH(QString, helper);
        QFETCH(QByteArray, environment);
        QFETCH(bool, killRenderer);
        QFETCH(QRegularExpression, log);
        const qsizetype equals = environment.indexOf('=');
        const QByteArray variable = environment.left(equals);
        if (!variable.isEmpty())
            qputenv(variable.constData(), environment.mid(equals + 1));
        const auto restore = qScopeGuard([&] {
            if (!variable.isEmpty())
                qunsetenv(variable.constData());
        });
        HandoffLog handoffLog;
        servePage(page, killRenderer);
        openWindow(m_service->host(), helper);
        const QStringList before = m_ui.state();

        QPointer<ChatWindow> chat = startChat();
        QVERIFY(chat);
        QVERIFY(!m_window->isVisible());
        if (killRenderer) {
            QTRY_VERIFY_WITH_TIMEOUT(requestsFor("/started") == 1, returnTimeoutMs);
            const QList<qint64> renderers = rendererProcesses();
            QVERIFY(!renderers.isEmpty());
            for (const qint64 pid : renderers)
                QCOMPARE(::kill(pid_t(pid), SIGKILL), 0);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!chat, returnTimeoutMs);
        if (log.pattern().isEmpty()) {
            QCOMPARE(m_desktop.opened, QList<QUrl>{expectedLink});
            QCOMPARE(m_service->requestCount("/msgrd?V=1&Uin=" + number), 1);
            QCOMPARE(handoffLog.lines, QStringList());
        } else {
            QCOMPARE(m_desktop.opened.size(), 1);
            QCOMPARE(m_desktop.opened.constFirst().toEncoded(), pageAddress());
            QCOMPARE(handoffLog.lines.size(), 1);
            QVERIFY2(log.match(handoffLog.lines.constFirst()).hasMatch(),
                     qPrintable(handoffLog.lines.constFirst()));
        }
        QVERIFY(m_window->isVisible());
        QCOMPARE(m_ui.state(), before);
        if (log.pattern().isEmpty())
            return;

        const int requests = int(m_service->requests().size());
        chat = startChat();
        QTRY_VERIFY_WITH_TIMEOUT(!chat, returnTimeoutMs);
        QCOMPARE(m_desktop.opened.size(), 1);
        QCOMPARE(m_service->requests().size(), requests);
        QCOMPARE(m_ui.state(), before);

        QTest::qWait(QApplication::doubleClickInterval());
        servePage(inlineLinkPage);
        chat = startChat();
        QTRY_VERIFY_WITH_TIMEOUT(!chat, returnTimeoutMs);
        QCOMPARE(m_desktop.opened.size(), 2);
    }

    void hostilePageGetsNothingButItsLink()
    {
        servePage(hostilePage);
        m_service->on("/download", attachment());
        openWindow(m_service->host());

        QPointer<ChatWindow> chat = startChat();
        QTRY_VERIFY_WITH_TIMEOUT(!chat, returnTimeoutMs);
        QCOMPARE(m_desktop.opened, QList<QUrl>{expectedLink});
        QCOMPARE(requestsFor("/leak"), 0);
        QCOMPARE(requestsFor("/download"), 2); // the frame's and the page's own, both cancelled
    }

    // Whatever goes wrong, the query window comes back as it was, and nothing reaches the desktop.
    void returnsWithoutALink_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QString>("presenceHost");
        QTest::addColumn<QString>("helper");
        const QString service = QStringLiteral("{service}");
        QTest::newRow("page does nothing") << idlePage << service << helperPath;
        QTest::newRow("page refused")
            << inlineLinkPage << QStringLiteral("127.0.0.1:%1").arg(FakeService::closedPort())
            << helperPath;
        // Once the helper has said anything, its engine ran: no second try in another browser.
        QTest::newRow("engine failure after a load")
            << inlineLinkPage << service
            << writeScript(m_fakes, "echo 'loaded http://127.0.0.1:1/'\necho unavailable\nexit 1\n",
                           QStringLiteral("late-engine-failure"));
    }

    void returnsWithoutALink()
    {
        QFETCH(QByteArray, page);
        QFETCH(QString, presenceHost);
        QFETCH(QString, helper);
        servePage(page);
        openWindow(presenceHost.replace(QStringLiteral("{service}"), m_service->host()), helper);
        const QStringList before = m_ui.state();

        QPointer<ChatWindow> chat = startChat();
        QVERIFY(chat);
        QTRY_VERIFY_WITH_TIMEOUT(!chat, returnTimeoutMs);
        QVERIFY(m_window->isVisible());
        QCOMPARE(m_ui.state(), before);
        QCOMPARE(m_desktop.opened, QList<QUrl>());
    }

    // A helper that hangs without a word is cut off at the hand-off's deadline, not waited for
    // forever.
    void silentHelperEndsAtTheDeadline()
    {
        QTemporaryDir scratch;
        const QString silent = writeScript(scratch, "exec cat >/dev/null\n");
        QVERIFY(!silent.isEmpty());

        servePage(inlineLinkPage);
        openWindow(m_service->host(), silent);
        QPointer<ChatWindow> chat = startChat();
        QTest::qWait(returnTimeoutMs);
        QVERIFY(chat);
        QTRY_VERIFY_WITH_TIMEOUT(!chat, browser::HandoffBrowser::deadlineMs);
        QVERIFY(m_window->isVisible());
        QCOMPARE(m_desktop.opened, QList<QUrl>());
    }

    // The page loads and moves on to one that never finishes loading, so only the death of the
    // engine can end the hand-off in time. The page had its chance: nothing goes to the desktop.
    // The next hand-off starts a fresh helper and works.
    void engineDeathReturns_data()
    {
        QTest::addColumn<bool>("killRenderer");
        QTest::newRow("helper killed") << false;
        QTest::newRow("renderer killed") << true;
    }
    void engineDeathReturns()
    {
        QFETCH(bool, killRenderer);
        servePage(loadedThenEndlessPage);
        openWindow(m_service->host());
        const QStringList before = m_ui.state();

        QPointer<ChatWindow> chat = startChat();
        QTRY_VERIFY_WITH_TIMEOUT(requestsFor("/started") == 1, returnTimeoutMs);
        const QList<qint64> victims =
            killRenderer ? rendererProcesses() : QList<qint64>{helperProcess()};
        QVERIFY(!victims.isEmpty());
        for (const qint64 pid : victims) {
            QVERIFY(pid > 0);
            QCOMPARE(::kill(pid_t(pid), SIGKILL), 0);
        }
        QTRY_VERIFY_WITH_TIMEOUT(!chat, returnTimeoutMs);
        QVERIFY(m_window->isVisible());
        QCOMPARE(m_ui.state(), before);
        QCOMPARE(m_desktop.opened, QList<QUrl>());

        servePage(inlineLinkPage);
        chat = startChat();
        QTRY_VERIFY_WITH_TIMEOUT(!chat, returnTimeoutMs);
        QCOMPARE(m_desktop.opened, QList<QUrl>{expectedLink});
        QCOMPARE(m_ui.state(), before);
    }

    // The notice goes because its helper died, and 留言 follows at once, in the same turn of the
    // event loop or the next, before the old notice is deleted: the user sees only the new notice,
    // never more than one helper runs, and the new hand-off goes through.
    void chatAgainWhenTheHelperDies_data()
    {
        QTest::addColumn<bool>("nextTurn");
        QTest::newRow("same turn") << false;
        QTest::newRow("next turn") << true;
    }
    void chatAgainWhenTheHelperDies()
    {
        QFETCH(bool, nextTurn);
        servePage(loadedThenEndlessPage);
        openWindow(m_service->host());
        const QStringList before = m_ui.state();
        QPointer<ChatWindow> first = startChat();
        QTRY_VERIFY_WITH_TIMEOUT(requestsFor("/started") == 1, returnTimeoutMs);
        servePage(inlineLinkPage);

        bool oldNoticeLived = false;
        QPointer<ChatWindow> second;
        QObject context;
        connect(first, &ChatWindow::finished, &context, [&] {
            const auto chatAgain = [&] {
                oldNoticeLived = !first.isNull();
                second = startChat(first);
            };
            if (nextTurn)
                QMetaObject::invokeMethod(&context, chatAgain, Qt::QueuedConnection);
            else
                chatAgain();
        });
        QCOMPARE(::kill(pid_t(helperProcess()), SIGKILL), 0);
        QTRY_VERIFY_WITH_TIMEOUT(second, returnTimeoutMs);
        QVERIFY(oldNoticeLived);
        QVERIFY(second != first);
        QTRY_VERIFY(!first);
        QCOMPARE(visibleWindows(), QStringList{QStringLiteral("Form3")});

        qsizetype mostHelpers = 0;
        const auto helpersRunning = [&] {
            mostHelpers = std::max(mostHelpers, helperProcesses().size());
            return mostHelpers;
        };
        QTRY_VERIFY_WITH_TIMEOUT((helpersRunning(), !second), returnTimeoutMs);
        QCOMPARE(mostHelpers, 1);
        QCOMPARE(visibleWindows(), QStringList{QStringLiteral("Form1")});
        QCOMPARE(m_ui.state(), before);
        QCOMPARE(m_desktop.opened, QList<QUrl>{expectedLink});
        QTRY_COMPARE(helperProcesses(), QList<qint64>());
    }

    // A browser sent to a new page while the page before sits idle after loading: nothing of the
    // old page's wait cuts the new one short, which only its own full deadline ends.
    void newPageGetsTheFullDeadline()
    {
        m_service->on("/idle", Response::html(idlePage));
        Response endless = Response::html(endlessPage);
        endless.unfinished = true;
        m_service->on("/endless", endless);
        std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
        auto *host = new QWidget(window.get());
        auto *browser = new browser::HandoffBrowser(host, QStringLiteral("imclient"), helperPath);
        QSignalSpy loaded(browser, &browser::Browser::navigateComplete);

        browser->navigate(QString::fromLatin1(m_service->url("/idle")));
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 1, returnTimeoutMs);
        QTest::qWait(browser::HandoffBrowser::idleAfterLoadMs / 2);
        QVERIFY(!host->isHidden());
        QElapsedTimer clock;
        clock.start();
        browser->navigate(QString::fromLatin1(m_service->url("/endless")));
        QTRY_VERIFY_WITH_TIMEOUT(requestsFor("/started") == 1, returnTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(host->isHidden(), browser::HandoffBrowser::deadlineMs + 5000);
        // A long timer may fire up to a twentieth of its interval early.
        QCOMPARE_GE(clock.elapsed(), browser::HandoffBrowser::deadlineMs * 19 / 20);
        window.reset();
        QTRY_VERIFY(qApp->findChildren<QProcess *>(Qt::FindDirectChildrenOnly).isEmpty());
    }

    // A link the desktop will not take (none is registered for the IM client's scheme, and the
    // headless platform opens nothing itself) ends the hand-off as any link does. The user is told
    // nothing; the hand-off's log is.
    // So does a hand-off page that goes to the desktop for want of a helper.
    void refusedLinkEndsTheHandOffAndIsLogged_data()
    {
        QTest::addColumn<QString>("helper");
        QTest::addColumn<QString>("scheme");
        QTest::addColumn<QStringList>("before");
        QTest::newRow("the page's link")
            << helperPath << QStringLiteral("imclient") << QStringList();
        const QString missing = helperPath + QStringLiteral(".missing");
        QTest::newRow("the page, without a helper")
            << missing << QStringLiteral("http")
            << QStringList{QStringLiteral("warning: no hand-off helper at ") + missing +
                           QStringLiteral(": the hand-off page goes to the default browser")};
    }
    void refusedLinkEndsTheHandOffAndIsLogged()
    {
        QFETCH(QString, helper);
        QFETCH(QString, scheme);
        QFETCH(QStringList, before);
        QDesktopServices::unsetUrlHandler(scheme);
        const auto restore =
            qScopeGuard([&] { QDesktopServices::setUrlHandler(scheme, &m_desktop, "open"); });
        HandoffLog log;
        servePage(inlineLinkPage);
        openWindow(m_service->host(), helper);
        const QStringList state = m_ui.state();

        QPointer<ChatWindow> chat = startChat();
        QTRY_VERIFY_WITH_TIMEOUT(!chat, returnTimeoutMs);
        QCOMPARE(visibleWindows(), QStringList{QStringLiteral("Form1")});
        QCOMPARE(m_ui.state(), state);
        QCOMPARE(m_desktop.opened, QList<QUrl>());
        const qsizetype bytes =
            (scheme == u"imclient" ? expectedLink.toEncoded() : pageAddress()).size();
        QCOMPARE(log.lines,
                 before + QStringList{QStringLiteral("warning: the desktop refused the %1 link (%2 "
                                                     "bytes)")
                                          .arg(scheme)
                                          .arg(bytes)});
    }

    // With the hand-off's debug output switched on, what the helper writes to standard error
    // reaches the log line by line; otherwise it is thrown away. Either way a helper that writes
    // far more than a pipe holds is never held up by it.
    void helperErrorOutput_data()
    {
        QTest::addColumn<bool>("debug");
        QTest::newRow("debug on") << true;
        QTest::newRow("debug off") << false;
    }
    void helperErrorOutput()
    {
        QFETCH(bool, debug);
        QLoggingCategory::setFilterRules(
            QStringLiteral("tolvane.handoff.debug=%1").arg(debug ? "true" : "false"));
        const auto resetRules = qScopeGuard([] { QLoggingCategory::setFilterRules({}); });
        QTemporaryDir scratch;
        const QString noisy = writeScript(scratch, "padding=$(printf '%0500d' 0)\n"
                                                   "i=0\n"
                                                   "while [ $i -lt 300 ]; do\n"
                                                   "    echo \"engine line $i $padding\" >&2\n"
                                                   "    i=$((i + 1))\n"
                                                   "done\n"
                                                   "echo 'loaded http://127.0.0.1:1/page'\n"
                                                   "exec cat >/dev/null\n");
        QVERIFY(!noisy.isEmpty());
        HandoffLog log;
        std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
        auto *browser = new browser::HandoffBrowser(new QWidget(window.get()),
                                                    QStringLiteral("imclient"), noisy);
        QSignalSpy loaded(browser, &browser::Browser::navigateComplete);

        browser->navigate(QStringLiteral("http://127.0.0.1:1/page"));
        QTRY_COMPARE_WITH_TIMEOUT(loaded.size(), 1, returnTimeoutMs);
        QTRY_COMPARE(log.lines.size(), debug ? 300 : 0);
        if (debug) {
            QVERIFY(log.lines.constFirst().startsWith(u"debug: helper: engine line 0 000"));
            QVERIFY(log.lines.constLast().startsWith(u"debug: helper: engine line 299 000"));
        }
        window.reset();
        QTRY_VERIFY(qApp->findChildren<QProcess *>(Qt::FindDirectChildrenOnly).isEmpty());
    }

    // What the helper tells the app, and when it ends: when its input ends, or by itself once the
    // hand-off page failed or its renderer died.
    void helperReports_data()
    {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<bool>("pageDropped");
        QTest::addColumn<bool>("killRenderer");
        QTest::addColumn<QByteArrayList>("expected");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("link") << inlineLinkPage << false << false
                              << QByteArrayList{"link " + expectedLink.toEncoded()} << 0;
        QTest::newRow("page dropped")
            << inlineLinkPage << true << false << QByteArrayList{"failed"} << 1;
        QTest::newRow("no address")
            << QByteArray() << false << false << QByteArrayList{"failed"} << 1;
        QTest::newRow("renderer killed after load")
            << idlePage << false << true << QByteArrayList{"failed"} << 1;
    }
    void helperReports()
    {
        QFETCH(QByteArray, page);
        QFETCH(bool, pageDropped);
        QFETCH(bool, killRenderer);
        QFETCH(QByteArrayList, expected);
        QFETCH(int, exitCode);
        servePage(page);
        if (pageDropped) {
            Response reset;
            reset.reset = true;
            m_service->on("/msgrd", reset);
        }

        QProcess helper;
        helper.start(helperPath, {QStringLiteral("imclient")});
        QVERIFY(helper.waitForStarted());
        helper.write((page.isEmpty() ? QByteArray() : pageAddress()) + '\n');
        QByteArrayList progress; // navigating and loaded
        QByteArrayList reports;  // everything else
        const auto reported = [&] {
            while (helper.canReadLine()) {
                const QByteArray line = helper.readLine().trimmed();
                const bool isProgress =
                    line.startsWith("navigating ") || line.startsWith("loaded ");
                (isProgress ? progress : reports).append(line);
            }
            return reports;
        };
        if (killRenderer) {
            QTRY_VERIFY_WITH_TIMEOUT((reported(), !progress.isEmpty()), returnTimeoutMs);
            const QList<qint64> renderers = rendererProcesses();
            QVERIFY(!renderers.isEmpty());
            for (const qint64 pid : renderers)
                QCOMPARE(::kill(pid_t(pid), SIGKILL), 0);
        }
        QTRY_COMPARE_WITH_TIMEOUT(reported().mid(0, 1), expected, returnTimeoutMs);
        if (exitCode == 0)
            helper.closeWriteChannel();
        QTRY_COMPARE_WITH_TIMEOUT(helper.state(), QProcess::NotRunning, returnTimeoutMs);
        QCOMPARE(helper.exitStatus(), QProcess::NormalExit);
        QCOMPARE(helper.exitCode(), exitCode);
        QCOMPARE(reported(), expected);
    }
};

QTEST_MAIN(TestHandoff)
#include "tst_handoff.moc"
