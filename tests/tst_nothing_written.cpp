#include "fakeservice.h"
#include "handoffbrowser.h"
#include "networknavigator.h"
#include "processes.h"
#include "querywindow.h"
#include "urlrecorder.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using testsupport::FakeService;
using testsupport::Response;

namespace {

QStringList everythingUnder(const QString &path)
{
    QStringList found;
    QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next();
    return found;
}

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

    QTemporaryDir m_home;
    QStringList m_tmpBefore;

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", m_home.path().toLocal8Bit());
        for (const char *xdg : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME",
                                "XDG_STATE_HOME", "XDG_RUNTIME_DIR"})
            qputenv(xdg, m_home.path().toLocal8Bit());
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
        QCOMPARE(everythingUnder(m_home.path()), QStringList());
    }

    // Queries, two hand-offs through the real helper, the home page and the exit button.
    void aWholeSession()
    {
        FakeService service;
        QVERIFY(service.listen());
        const QByteArray base = "http://" + service.host().toLatin1();
        service.on("/qq_online.gif", Response::gif());
        service.on("/pa", Response::redirect(base + "/qq_online.gif"));
        service.on("/msgrd",
                   Response::html("<script>localStorage.x = 1; document.cookie = 'a=b';"
                                  "location.href = 'imclient://message/?uin=12345'</script>"));
        testsupport::UrlRecorder desktop({QStringLiteral("imclient"), QStringLiteral("http")});

        query_window::QueryWindow window(
            {service.host(), service.host(), service.host(), QStringLiteral("imclient")},
            &browser::NetworkNavigator::create,
            browser::HandoffBrowser::factory(QStringLiteral("imclient"),
                                             QStringLiteral(HANDOFF_HELPER_PATH)));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *status = window.findChild<QLabel *>(QStringLiteral("Label3"));
        auto button = [&](const char *name) {
            return window.findChild<QPushButton *>(QString::fromLatin1(name));
        };
        QTest::keyClicks(window.findChild<QComboBox *>(QStringLiteral("Combo1")),
                         QStringLiteral("12345"));
        for (int i = 0; i < 3; ++i) {
            QTest::mouseClick(button("Command1"), Qt::LeftButton);
            QTRY_COMPARE(status->text(), QString::fromUtf8("对方在线"));
        }
        for (int i = 1; i <= 2; ++i) {
            QTest::mouseClick(button("Command3"), Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), 30000);
            QCOMPARE(desktop.opened.size(), i);
        }
        QTest::mouseClick(button("Command4"), Qt::LeftButton);
        QCOMPARE(desktop.opened.size(), 3);

        QTimer::singleShot(0, &window, [&] { QTest::mouseClick(button("Command2"), Qt::LeftButton); });
        QTimer::singleShot(10000, qApp, [] { QCoreApplication::exit(1); });
        QCOMPARE(QApplication::exec(), 0);
        const qint64 self = QCoreApplication::applicationPid();
        QTRY_VERIFY_WITH_TIMEOUT(testsupport::descendants(self).isEmpty(), 10000);

        QCOMPARE(everythingUnder(m_home.path()), QStringList());
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
