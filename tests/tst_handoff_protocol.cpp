// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "handoff/protocol.h"

#include <QTest>

namespace protocol = handoff::protocol;

// The lines the helper writes, read back as the app reads them, without either program.
class TestHandoffProtocol : public QObject
{
    Q_OBJECT

private slots:
    // The line the helper writes from a signal handler, made at compile time, is the same line.
    void constantLineIsTheLine()
    {
        constexpr auto unavailable = protocol::constantLine(protocol::unavailable);
        QCOMPARE(QByteArray(unavailable.data(), qsizetype(unavailable.size())),
                 protocol::encodeLine(protocol::unavailable));
    }

    // Every word, with the addresses a page gives it: the app gets the word and the very bytes of
    // the address, whatever the address holds and however the system ends the line.
    void lineReadAsWritten_data()
    {
        QTest::addColumn<QByteArray>("word");
        QTest::addColumn<QUrl>("address");

        const QUrl page(QStringLiteral("http://wpa.example/msgrd?v=3&Uin=12345&site=qq&Menu=yes"));
        const QUrl link(QStringLiteral("imclient://message/?uin=12345&Site=qq&Menu=yes"));
        QTest::newRow("navigating") << QByteArray(protocol::navigating) << page;
        QTest::newRow("loaded") << QByteArray(protocol::loaded) << page;
        QTest::newRow("link") << QByteArray(protocol::link) << link;
        QTest::newRow("failed") << QByteArray(protocol::failed) << QUrl();
        QTest::newRow("unavailable") << QByteArray(protocol::unavailable) << QUrl();
        QTest::newRow("blanks, line breaks and a word in the address")
            << QByteArray(protocol::loaded)
            << QUrl(QStringLiteral("http://h.example/a b?x=\r\nfailed link #frag"));
        QTest::newRow("escapes and non-ASCII")
            << QByteArray(protocol::link)
            << QUrl::fromEncoded("imclient://message/?uin=%E4%B8%83%25%2B%20+", QUrl::StrictMode);
        QTest::newRow("a long address")
            << QByteArray(protocol::navigating)
            << QUrl(QStringLiteral("http://h.example/?Uin=") + QString(33000, QChar(0x4e03)));
    }
    void lineReadAsWritten()
    {
        QFETCH(QByteArray, word);
        QFETCH(QUrl, address);

        const QByteArray line = protocol::encodeLine(word.constData(), address);
        QCOMPARE(line.count('\n'), 1);
        QVERIFY(line.endsWith('\n'));
        for (const QByteArray &lineEnd : {QByteArray("\n"), QByteArray("\r\n")}) {
            const protocol::Line read = protocol::decodeLine(line.chopped(1) + lineEnd);
            QCOMPARE(read.word, QString::fromLatin1(word));
            QCOMPARE(read.address.toUtf8(), address.toEncoded());
        }
    }
};

QTEST_MAIN(TestHandoffProtocol)
#include "tst_handoff_protocol.moc"
