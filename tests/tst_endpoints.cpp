// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "endpoints/endpoints.h"

#include <QTest>

using endpoints::Endpoints;
using endpoints::Presence;

class TestEndpoints : public QObject
{
    Q_OBJECT

    const Endpoints m_endpoints{QStringLiteral("presence.example:8080"),
                                QStringLiteral("logo.example"), QStringLiteral("home.example"),
                                QStringLiteral("imclient")};

private slots:
    void addressesCarryTheNumberAsTyped_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("presence");
        QTest::addColumn<QString>("handoff");

        QTest::newRow("five digits") << "12345"
                                     << "http://presence.example:8080/pa?p=1:12345:1"
                                     << "http://presence.example:8080/msgrd?V=1&Uin=12345";
        QTest::newRow("leading blank") << " 12345"
                                       << "http://presence.example:8080/pa?p=1: 12345:1"
                                       << "http://presence.example:8080/msgrd?V=1&Uin= 12345";
        QTest::newRow("letters") << "abcde"
                                 << "http://presence.example:8080/pa?p=1:abcde:1"
                                 << "http://presence.example:8080/msgrd?V=1&Uin=abcde";
        QTest::newRow("ampersand") << "12&34"
                                   << "http://presence.example:8080/pa?p=1:12&34:1"
                                   << "http://presence.example:8080/msgrd?V=1&Uin=12&34";
        QTest::newRow("percent and hash") << "1%2#3"
                                          << "http://presence.example:8080/pa?p=1:1%2#3:1"
                                          << "http://presence.example:8080/msgrd?V=1&Uin=1%2#3";
        QTest::newRow("chinese")
            << QString::fromUtf8("一二三四五")
            << QString::fromUtf8("http://presence.example:8080/pa?p=1:一二三四五:1")
            << QString::fromUtf8("http://presence.example:8080/msgrd?V=1&Uin=一二三四五");
        QTest::newRow("empty") << ""
                               << "http://presence.example:8080/pa?p=1::1"
                               << "http://presence.example:8080/msgrd?V=1&Uin=";
    }
    void addressesCarryTheNumberAsTyped()
    {
        QFETCH(QString, number);
        QFETCH(QString, presence);
        QFETCH(QString, handoff);
        QCOMPARE(m_endpoints.presenceImageAddress(number), presence);
        QCOMPARE(m_endpoints.chatHandoffAddress(number), handoff);
    }

    void fixedAddresses()
    {
        QCOMPARE(m_endpoints.onlineImageAddress(), "http://logo.example/qq_online.gif");
        QCOMPARE(m_endpoints.homePageAddress(), "http://home.example");
    }

    void onlyTheExactOnlineAddressIsOnline_data()
    {
        QTest::addColumn<QString>("completed");
        QTest::addColumn<Presence>("presence");

        QTest::newRow("initial location") << "http:///" << Presence::Ignored;
        QTest::newRow("online picture") << "http://logo.example/qq_online.gif" << Presence::Online;
        QTest::newRow("upper case") << "HTTP://LOGO.EXAMPLE/QQ_ONLINE.GIF" << Presence::Offline;
        QTest::newRow("upper-case path")
            << "http://logo.example/QQ_online.gif" << Presence::Offline;
        QTest::newRow("trailing slash")
            << "http://logo.example/qq_online.gif/" << Presence::Offline;
        QTest::newRow("query appended")
            << "http://logo.example/qq_online.gif?x=1" << Presence::Offline;
        QTest::newRow("blank appended")
            << "http://logo.example/qq_online.gif " << Presence::Offline;
        QTest::newRow("https") << "https://logo.example/qq_online.gif" << Presence::Offline;
        QTest::newRow("other host")
            << "http://presence.example:8080/qq_online.gif" << Presence::Offline;
        QTest::newRow("offline picture")
            << "http://logo.example/qq_offline.gif" << Presence::Offline;
        QTest::newRow("error page") << "about:neterror" << Presence::Offline;
        QTest::newRow("empty") << "" << Presence::Offline;
        QTest::newRow("initial with blank") << "http:/// " << Presence::Offline;
    }
    void onlyTheExactOnlineAddressIsOnline()
    {
        QFETCH(QString, completed);
        QFETCH(Presence, presence);
        QCOMPARE(m_endpoints.classify(completed), presence);
    }

    void builtInHostsAreSet()
    {
        const Endpoints builtIn = Endpoints::builtIn();
        QVERIFY(!builtIn.presenceHost.isEmpty());
        QVERIFY(!builtIn.logoHost.isEmpty());
        QVERIFY(!builtIn.homePageHost.isEmpty());
        QVERIFY(!builtIn.imClientScheme.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestEndpoints)
#include "tst_endpoints.moc"
