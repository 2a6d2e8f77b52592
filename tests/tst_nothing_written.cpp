// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "browser/handoffbrowser.h"
#include "browser/networknavigator.h"
#include "query_window/querywindow.h"
#include "tests/support/fakeservice.h"
#include "tests/support/freshhome.h"
#include "tests/support/loopbackendpoints.h"
#include "tests/support/processes.h"
#include "tests/support/urlrecorder.h"
#include "tests/support/windowprobe.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

using testsupport::FakeService;
using testsupport::Response;

namespace {

QStringList topOfTmp()
{
    return QDir(QDir::tempPath())
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

// The program keeps no settings, caches or logs: whatever the user does, a fresh home stays
// exactly as empty, and nothing of ours is left in the temporary folder.
class TestNothingWritten : public QObject
{
    Q_OBJECT

    testsupport::FreshHome m_home;
    QStringList m_tmpBefore;

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.enter());
        m_tmpBefore = topOfTmp();
    }

    void theAppStartingAndEnding()
    {
        QProcess app;
        app.start(QStringLiteral(APP_PATH), QStringList());
        QVERIFY(app.waitForStarted());
        QVERIFY(!app.waitForFinished(2000)); // still running: it started and waits for the user
        app.terminate();
        QVERIFY(app.waitForFinished());
        QCOMPARE(m_home.contents(), QStringList());
    }

    // Queries, two hand-offs through the real helper, the home page and the exit button.
    void aWholeSession()
    {
        FakeService service;
        QVERIFY(service.listen());
        service.on("/qq_online.gif", Response::gif());
        service.on("/pa", Response::redirect(service.url("/qq_online.gif")));
        service.on("/msgrd",
                   Response::html("<script>localStorage.x = 1; document.cookie = 'a=b';"
                                  "location.href = 'imclient://message/?uin=12345'</script>"));
        testsupport::UrlRecorder desktop({QStringLiteral("imclient"), QStringLiteral("http")});

        query_window::QueryWindow window(
            testsupport::loopbackEndpoints(service.host(), service.host(), service.host()),
            &browser::NetworkNavigator::create,
            browser::HandoffBrowser::factory(QStringLiteral("imclient"),
                                             QStringLiteral(HANDOFF_HELPER_PATH)));
        const testsupport::WindowProbe ui(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTest::keyClicks(ui.numberBox(), QStringLiteral("12345"));
        for (int i = 0; i < 3; ++i) {
            ui.click(ui.queryButton());
            QTRY_COMPARE(ui.status(), testsupport::onlineText);
        }
        for (int i = 1; i <= 2; ++i) {
            ui.click(ui.chatButton());
            QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 30000);
            QCOMPARE(desktop.opened.size(), i);
        }
        ui.click(ui.homePageButton());
        QCOMPARE(desktop.opened.size(), 3);

        QTimer::singleShot(0, &window, [&] { ui.click(ui.exitButton()); });
        QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(1); });
        QCOMPARE(QApplication::exec(), 0);
        const qint64 self = QCoreApplication::applicationPid();
        QTRY_VERIFY_WITH_TIMEOUT(testsupport::descendants(self).isEmpty(), 10000);

        QCOMPARE(m_home.contents(), QStringList());
    }

    void cleanupTestCase()
    {
        QStringList added = topOfTmp();
        for (const QString &entry : std::as_const(m_tmpBefore))
            added.removeAll(entry);
        added.removeAll(QFileInfo(m_home.path()).fileName());
        // A compiler working beside the tests on a developer's machine leaves these.
        added.removeIf([](const QString &name) {
            return QRegularExpression(QStringLiteral("^cc\\w{6}\\.\\w+$")).match(name).hasMatch();
        });
        QCOMPARE(added, QStringList());
    }
};

QTEST_MAIN(TestNothingWritten)
#include "tst_nothing_written.moc"
