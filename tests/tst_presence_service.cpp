// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "tests/support/presencefixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

using testsupport::checkingText;
using testsupport::FakeService;
using testsupport::offlineText;
using testsupport::onlineText;
using testsupport::Response;

namespace {

Response delayed(Response response, int ms)
{
    response.delayMs = ms;
    return response;
}

} // namespace

// The whole presence check: the real window and navigator against a fake service on loopback.
class TestPresenceService : public QObject, testsupport::PresenceFixture
{
    Q_OBJECT

    void query(const QString &number)
    {
        m_ui.numberBox()->lineEdit()->clear();
        m_ui.numberBox()->lineEdit()->insert(number);
        m_ui.click(m_ui.queryButton());
        QCOMPARE(m_ui.status(), checkingText);
    }

private slots:
    void init()
    {
        QVERIFY(open());
        m_logo->on("/QQ_ONLINE.GIF", Response::gif());
        m_logo->on("/qq_online.gif/", Response::gif());
    }
    void cleanup() { close(); }

    void resultFollowsWhereTheServiceSends_data()
    {
        QTest::addColumn<QByteArray>("location");
        QTest::addColumn<bool>("online");
        QTest::newRow("online picture") << QByteArray("/qq_online.gif") << true;
        QTest::newRow("offline picture") << QByteArray("/qq_offline.gif") << false;
        QTest::newRow("upper case") << QByteArray("/QQ_ONLINE.GIF") << false;
        QTest::newRow("trailing slash") << QByteArray("/qq_online.gif/") << false;
        QTest::newRow("query string") << QByteArray("/qq_online.gif?v=2") << false;
        QTest::newRow("online picture missing") << QByteArray("/gone/qq_online.gif") << false;
    }
    void resultFollowsWhereTheServiceSends()
    {
        QFETCH(QByteArray, location);
        QFETCH(bool, online);
        m_presence->on("/pa", Response::redirect(m_logo->url(location)));

        query(QStringLiteral("12345"));
        QTRY_COMPARE(m_ui.status(), online ? onlineText : offlineText);
        QCOMPARE(m_ui.onlineBadge()->isVisible(), online);
        QCOMPARE(m_ui.offlineBadge()->isVisible(), !online);
        QCOMPARE(m_presence->requestCount("/pa?p=1:12345:1"), 1);
    }

    void unreachableServiceShowsOffline()
    {
        QVERIFY(openWindow(QStringLiteral("127.0.0.1:%1").arg(FakeService::closedPort())));
        query(QStringLiteral("12345"));
        QTRY_COMPARE(m_ui.status(), offlineText);
        QVERIFY(m_ui.offlineBadge()->isVisible());
    }

    // No time-out of our own: a service that never answers leaves the check under way, and a
    // new query still works.
    void hungAnswerKeepsCheckingUntilTheNextQuery()
    {
        Response hang;
        hang.hang = true;
        m_presence->on("/pa?p=1:11111:1", hang);
        m_presence->on("/pa?p=1:22222:1", Response::redirect(m_logo->url("/qq_online.gif")));

        query(QStringLiteral("11111"));
        QTest::qWait(1000);
        QCOMPARE(m_ui.status(), checkingText);
        query(QStringLiteral("22222"));
        QTRY_COMPARE(m_ui.status(), onlineText);
        QCOMPARE(m_presence->requests().size(), 2);
    }

    // A newer query supersedes the one under way: the slow online answer never overrides the
    // later, faster offline one.
    void theNewestQueryDecides()
    {
        m_presence->on("/pa?p=1:11111:1",
                       delayed(Response::redirect(m_logo->url("/qq_online.gif")), 500));
        m_presence->on("/pa?p=1:22222:1", Response::redirect(m_logo->url("/qq_offline.gif")));

        query(QStringLiteral("11111"));
        QTRY_COMPARE(m_presence->requests().size(), 1);
        query(QStringLiteral("22222"));
        QTRY_COMPARE(m_ui.status(), offlineText);
        QTest::qWait(1000);
        QCOMPARE(m_ui.status(), offlineText);
        QCOMPARE(m_logo->requestCount("/qq_online.gif"), 0);
    }

    // The typed text reaches the service as a browser puts that address on the wire.
    void typedTextOnTheWire_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QByteArray>("target");
        QTest::newRow("digits") << "12345" << QByteArray("/pa?p=1:12345:1");
        QTest::newRow("blank") << "123 45" << QByteArray("/pa?p=1:123%2045:1");
        QTest::newRow("leading blank") << " 12345" << QByteArray("/pa?p=1:%2012345:1");
        QTest::newRow("ampersand") << "12&345" << QByteArray("/pa?p=1:12&345:1");
        QTest::newRow("hash starts a fragment") << "12#345" << QByteArray("/pa?p=1:12");
        QTest::newRow("chinese") << QString::fromUtf8("一二三四五")
                                 << QByteArray(
                                        "/pa?p=1:%E4%B8%80%E4%BA%8C%E4%B8%89%E5%9B%9B%E4%BA%94:1");
    }
    void typedTextOnTheWire()
    {
        QFETCH(QString, number);
        QFETCH(QByteArray, target);
        m_presence->setFallback([this](const testsupport::Request &) {
            return Response::redirect(m_logo->url("/qq_offline.gif"));
        });

        query(number);
        QTRY_COMPARE(m_ui.status(), offlineText);
        QCOMPARE(m_presence->requests().size(), 1);
        QCOMPARE(m_presence->requests().at(0).target, target);
        QCOMPARE(m_presence->requests().at(0).host, m_presence->host().toLatin1());
        QCOMPARE(m_logo->requests().size(), 1);
    }
};

QTEST_MAIN(TestPresenceService)
#include "tst_presence_service.moc"
