// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "browser/desktop.h"
#include "browser/logging.h"

#include <QSemaphore>
#include <QTest>
#include <QUrl>

namespace {

// Everything logged, for as long as the test runs; the test's own output shows the start of it.
QStringList s_log;
QtMessageHandler s_testOutput = nullptr;

void record(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    s_log << message;
    s_testOutput(type, context, message.left(400));
}

} // namespace

// Links handed to a desktop that cannot take them: under the offscreen platform none is taken,
// and Qt warns with the link in its message.
class TestDesktop : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { s_testOutput = qInstallMessageHandler(record); }
    void init() { s_log.clear(); }

    // A long link is logged as its scheme and length, however Qt writes it, a short one whole; and
    // only while the desktop is being asked.
    void refusedLinkInTheLog_data()
    {
        QTest::addColumn<QUrl>("link");
        QTest::addColumn<bool>("whole");

        const QString uin = QStringLiteral("imclient://message/?uin=");
        QTest::newRow("short") << QUrl(uin + "12345") << true;
        QTest::newRow("at the limit")
            << QUrl(uin + QString(browser::maxLoggedLinkBytes - uin.size(), u'7')) << true;
        QTest::newRow("one byte more")
            << QUrl(uin + QString(browser::maxLoggedLinkBytes - uin.size() + 1, u'7')) << false;
        QTest::newRow("33,000 Chinese characters")
            << QUrl(uin + QString(33000, QChar(0x4e03))) << false;
    }
    void refusedLinkInTheLog()
    {
        QFETCH(QUrl, link);
        QFETCH(bool, whole);

        // On Windows the desktop is asked on a thread of its own, and answers later.
        QSemaphore heard;
        QList<QUrl> refused;
        browser::openOnDesktop(link, [&](const QUrl &address) {
            refused << address;
            heard.release();
        });
        QVERIFY(heard.tryAcquire(1, 10000));
        QCOMPARE(refused, QList<QUrl>{link});
        QCOMPARE(s_log.size(), 1);
        const QString line = s_log.constFirst();
        QCOMPARE(line.contains(link.toString()), whole);
        QVERIFY(!line.contains(link.toEncoded()) || whole);
        if (!whole)
            QVERIFY(line.contains(
                QStringLiteral("[imclient link, %1 bytes]").arg(link.toEncoded().size())));
        QVERIFY(line.size() < 200 + browser::maxLoggedLinkBytes);

        qWarning().noquote() << "later:" << link.toString();
        QVERIFY(s_log.constLast().endsWith(link.toString()));
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
