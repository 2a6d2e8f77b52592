// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include <QProcess>
#include <QStandardPaths>
#include <QTest>

// The desktop entry and the AppStream metainfo as configured for this build.
class TestDesktopFiles : public QObject
{
    Q_OBJECT

private slots:
    void validates_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<QString>("package");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("desktop entry")
            << "desktop-file-validate"
            << "desktop-file-utils" << QStringList{QStringLiteral(DESKTOP_ENTRY)};
        QTest::newRow("metainfo") << "appstreamcli"
                                  << "appstream"
                                  << QStringList{
                                         QStringLiteral("validate"), QStringLiteral("--no-net"),
                                         QStringLiteral("--pedantic"), QStringLiteral(METAINFO)};
    }
    void validates()
    {
        QFETCH(QString, tool);
        QFETCH(QString, package);
        QFETCH(QStringList, arguments);
        const QString program = QStandardPaths::findExecutable(tool);
        if (program.isEmpty())
            QSKIP(qPrintable(tool + " is not installed (Debian package " + package + ")"));

        QProcess validator;
        validator.setProcessChannelMode(QProcess::MergedChannels);
        validator.start(program, arguments);
        QVERIFY(validator.waitForFinished());
        const QByteArray output = validator.readAll();
        QVERIFY2(validator.exitCode() == 0, output.constData());
        // desktop-file-validate passes a file with warnings and hints; only silence is clean.
        if (tool == u"desktop-file-validate")
            QVERIFY2(output.isEmpty(), output.constData());
    }
};

QTEST_GUILESS_MAIN(TestDesktopFiles)
#include "tst_desktop_files.moc"
