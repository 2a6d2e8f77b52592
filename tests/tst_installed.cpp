// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "tests/support/fakeservice.h"
#include "tests/support/freshhome.h"
#include "tests/support/processes.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using testsupport::FakeService;
using testsupport::headlessEnvironment;
using testsupport::Response;

namespace {

const QString helperInPrefix = QStringLiteral("libexec/tolvane-qq-status/tolvane-qq-handoff");

// The value of `key` in the desktop entry's main group.
QString desktopEntryValue(const QString &path, const QString &key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    for (const QString &line : lines) {
        if (line.startsWith(key + u'='))
            return line.mid(key.size() + 1);
    }
    return {};
}

} // namespace

// The program as `cmake --install` lays it out, run from where it was installed.
class TestInstalled : public QObject
{
    Q_OBJECT

    QTemporaryDir m_prefix;
    QTemporaryDir m_home;

    QString installed(const QString &relative) const { return m_prefix.filePath(relative); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_prefix.isValid());
        QVERIFY(m_home.isValid());
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(QStringLiteral(CMAKE_COMMAND),
                      {QStringLiteral("--install"), QStringLiteral(BUILD_DIR),
                       QStringLiteral("--prefix"), m_prefix.path()});
        QVERIFY(install.waitForFinished(120000));
        QVERIFY2(install.exitCode() == 0, install.readAll().constData());
    }

    // The helper is the app's own, never a command on the user's PATH.
    void programs()
    {
        QCOMPARE(QDir(installed(QStringLiteral("bin"))).entryList(QDir::Files),
                 QStringList{QStringLiteral("tolvane-qq-status")});
        QVERIFY(QFileInfo(installed(QStringLiteral("bin/tolvane-qq-status"))).isExecutable());
        QVERIFY(QFileInfo(installed(helperInPrefix)).isExecutable());
    }

    // The menu entry starts the installed program and shows the installed icon at every size and
    // at twice every size for scaled desktops.
    void desktopEntryNamesInstalledFiles()
    {
        const QString entry =
            installed(QStringLiteral("share/applications/tolvane-qq-status.desktop"));
        const QString exec = desktopEntryValue(entry, QStringLiteral("Exec"));
        QVERIFY(QFileInfo(installed(QStringLiteral("bin/") + exec)).isExecutable());

        const QString icon = desktopEntryValue(entry, QStringLiteral("Icon"));
        QVERIFY(!icon.isEmpty());
        for (const int size : {16, 24, 32, 48, 64, 72, 96, 128}) {
            const QString file = installed(
                QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(icon));
            QCOMPARE(QImageReader(file).size(), QSize(size, size));
            const QString fine = installed(
                QStringLiteral("share/icons/hicolor/%1x%1@2/apps/%2.png").arg(size).arg(icon));
            QCOMPARE(QImageReader(fine).size(), QSize(size * 2, size * 2));
        }
    }

    // The metainfo's launchable names the installed desktop entry, among AppStream's other checks.
    void installedTreeValidates()
    {
        const QString appstreamcli = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
        if (appstreamcli.isEmpty())
            QSKIP("appstreamcli is not installed (Debian package appstream)");
        QProcess validate;
        validate.setProcessChannelMode(QProcess::MergedChannels);
        validate.start(appstreamcli, {QStringLiteral("validate-tree"), QStringLiteral("--no-net"),
                                      m_prefix.path()});
        QVERIFY(validate.waitForFinished());
        QVERIFY2(validate.exitCode() == 0, validate.readAll().constData());
    }

    void installedAppStarts()
    {
        const QString path = installed(QStringLiteral("bin/tolvane-qq-status"));
        QProcess app;
        app.setProcessEnvironment(headlessEnvironment(m_home.path()));
        app.start(path, QStringList());
        QVERIFY(app.waitForStarted());
        const QString proc = QStringLiteral("/proc/%1/").arg(app.processId());
        QCOMPARE(QFileInfo(proc + QStringLiteral("exe")).canonicalFilePath(),
                 QFileInfo(path).canonicalFilePath());
        // Its libraries resolved and its window system is up: it got past its start-up.
        QTRY_VERIFY(testsupport::hasLoaded(app.processId(), "libqoffscreen"));
        QCOMPARE(app.state(), QProcess::Running);
        app.terminate();
        QVERIFY(app.waitForFinished());
    }

    // From the app's install folder the chat browser finds the installed helper, and the helper
    // gets the IM client's link out of a hand-off page.
    void installedAppFindsItsHelper()
    {
        FakeService service;
        QVERIFY(service.listen());
        service.on("/msgrd", Response::redirect("imclient://chat?uin=12345"));

        const QString probe = installed(QStringLiteral("bin/installed_handoff_probe"));
        QVERIFY(QFile::copy(QStringLiteral(PROBE_PATH), probe));
        QProcess run;
        run.setProcessEnvironment(headlessEnvironment(m_home.path()));
        QSignalSpy finished(&run, &QProcess::finished);
        run.start(probe, {QStringLiteral("imclient"),
                          QStringLiteral("http://%1/msgrd?V=1&Uin=12345").arg(service.host())});
        // The hand-off gives up by itself well within this.
        QVERIFY(finished.wait(60000));
        QFile::remove(probe);

        QCOMPARE(QString::fromLocal8Bit(run.readAllStandardOutput()).split(u'\n'),
                 QStringList({QStringLiteral("helper ") +
                                  QFileInfo(installed(helperInPrefix)).canonicalFilePath(),
                              QStringLiteral("link imclient://chat?uin=12345"),
                              QStringLiteral("done"), QString()}));
        QCOMPARE(run.exitCode(), 0);
        QCOMPARE(service.requestCount("/msgrd?V=1&Uin=12345"), 1);
    }
};

QTEST_GUILESS_MAIN(TestInstalled)
#include "tst_installed.moc"
