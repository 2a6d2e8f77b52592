#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

// The program keeps no settings, caches or logs: a run leaves a fresh home exactly as empty.
class TestNothingWritten : public QObject
{
    Q_OBJECT

private slots:
    void aRunLeavesTheHomeEmpty()
    {
        QTemporaryDir home;
        QVERIFY(home.isValid());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        for (const char *xdg : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME",
                                "XDG_STATE_HOME", "XDG_RUNTIME_DIR"})
            env.insert(QString::fromLatin1(xdg), home.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

        QProcess app;
        app.setProcessEnvironment(env);
        app.start(QStringLiteral(APP_PATH), QStringList());
        QVERIFY(app.waitForStarted());
        QVERIFY(!app.waitForFinished(2000)); // still running: it started up and waits for the user
        app.terminate();
        QVERIFY(app.waitForFinished());

        QStringList left;
        QDirIterator it(home.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            left << it.next();
        QCOMPARE(left, QStringList());
    }
};

QTEST_GUILESS_MAIN(TestNothingWritten)
#include "tst_nothing_written.moc"
