// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "browser/networknavigator.h"
#include "tests/support/fakeservice.h"
#include "tests/support/forwardingproxy.h"
#include "tests/support/privatenetwork.h"

#include <QHostAddress>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

using browser::NetworkNavigator;
using testsupport::FakeService;
using testsupport::Response;
using Routes = QList<QPair<QByteArray, Response>>;

namespace {

// An answer with this status and nothing else, not even a location.
Response answer(int status)
{
    Response response;
    response.status = status;
    return response;
}

Response resetConnection()
{
    Response response;
    response.reset = true;
    return response;
}

// Which way a check should go under a row's proxy settings.
enum class Way
{
    Direct,
    ThroughTheProxy,
    Nowhere
};

// Sets an environment variable for as long as it lives, or unsets it for an empty value.
class EnvironmentVariable
{
    Q_DISABLE_COPY_MOVE(EnvironmentVariable)

public:
    EnvironmentVariable(const char *name, const QByteArray &value) : m_name(name)
    {
        if (value.isEmpty())
            qunsetenv(m_name);
        else
            qputenv(m_name, value);
    }
    ~EnvironmentVariable() { qunsetenv(m_name); }

private:
    const char *m_name;
};

} // namespace

Q_DECLARE_METATYPE(Way)

// The query window's browser against a small service on loopback.
class TestNetworkNavigator : public QObject
{
    Q_OBJECT

    FakeService *m_service = nullptr;
    QWidget *m_window = nullptr;
    QWidget *m_host = nullptr;
    NetworkNavigator *m_navigator = nullptr;
    // Why the test has no network of its own, if it has none.
    QString m_noPrivateNetwork;

    QString url(const QByteArray &target) const
    {
        return QStringLiteral("http://%1%2").arg(m_service->host(), QString::fromLatin1(target));
    }
    QByteArray urlBytes(const QByteArray &target) const { return url(target).toLatin1(); }

    // Navigates and returns the one address the navigation completed at.
    QString completion(const QString &address, int withinMs = 10000)
    {
        QSignalSpy spy(m_navigator, &NetworkNavigator::navigateComplete);
        m_navigator->navigate(address);
        if (!spy.wait(withinMs))
            return QStringLiteral("<no completion>");
        QTest::qWait(50); // nothing more may follow
        return spy.size() == 1 ? spy.at(0).at(0).toString() : QStringLiteral("<several>");
    }

    static QString failed() { return QString::fromUtf16(browser::navigationFailedAddress); }

private slots:
    void initTestCase()
    {
        // Before anything starts a thread that could use the network.
        m_noPrivateNetwork = testsupport::enterPrivateNetwork();
        // As the app does: the environment's proxy settings count.
        NetworkNavigator::useDesktopProxies();
        qunsetenv("http_proxy");
        qunsetenv("no_proxy");
        QLoggingCategory::setFilterRules(QStringLiteral("tolvane.presence.debug=true"));
    }
    void init()
    {
        // Qt's complaint about a reply that was handed two errors, seen when a reply was
        // aborted while the network still had an error of its own queued for it.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("Internal problem")));
        m_service = new FakeService(this);
        QVERIFY(m_service->listen());
        m_window = new QWidget;
        m_host = new QWidget(m_window);
        m_navigator = new NetworkNavigator(m_host);
    }
    void cleanup()
    {
        delete m_window;
        delete m_service;
    }

    void completesWhereTheRedirectsEnd_data()
    {
        QTest::addColumn<Routes>("routes");
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<QByteArray>("end"); // empty: the navigation failed
        // What tolvane.presence says at debug level, the service at HOST.
        QTest::addColumn<QString>("logged");

        QTest::newRow("picture at once")
            << Routes{{"/pic.gif", Response::gif()}} << QByteArray("/pic.gif")
            << QByteArray("/pic.gif") << QStringLiteral("ended at http://HOST/pic.gif (HTTP 200)");
        QTest::newRow("redirect to the online picture")
            << Routes{{"/pa", Response::redirect("/qq_online.gif")},
                      {"/qq_online.gif", Response::gif()}}
            << QByteArray("/pa?p=1:12345:1") << QByteArray("/qq_online.gif")
            << QStringLiteral("ended at http://HOST/qq_online.gif (HTTP 200)");
        QTest::newRow("redirect to the offline picture")
            << Routes{{"/pa", Response::redirect("/qq_offline.gif")},
                      {"/qq_offline.gif", Response::gif()}}
            << QByteArray("/pa?p=1:12345:1") << QByteArray("/qq_offline.gif")
            << QStringLiteral("ended at http://HOST/qq_offline.gif (HTTP 200)");
        QTest::newRow("two hops, relative and absolute")
            << Routes{{"/a", Response::redirect("b", 301)},
                      {"/b", Response::redirect("ABSOLUTE/c", 307)},
                      {"/c", Response::gif()}}
            << QByteArray("/a") << QByteArray("/c")
            << QStringLiteral("ended at http://HOST/c (HTTP 200)");
        QTest::newRow("redirect loop")
            << Routes{{"/loop", Response::redirect("/loop")}} << QByteArray("/loop") << QByteArray()
            << QStringLiteral("failed (more than 20 redirects): http://HOST/loop");
        QTest::newRow("404 at the end")
            << Routes{{"/pa", Response::redirect("/gone.gif")}} << QByteArray("/pa") << QByteArray()
            << QStringLiteral("failed (HTTP 404): http://HOST/gone.gif");
        QTest::newRow("500") << Routes{{"/pa", answer(500)}} << QByteArray("/pa") << QByteArray()
                             << QStringLiteral("failed (HTTP 500): http://HOST/pa");
        QTest::newRow("redirect to file:")
            << Routes{{"/pa", Response::redirect("file:///etc/passwd")}} << QByteArray("/pa")
            << QByteArray()
            << QStringLiteral("failed (redirect to a non-web address): file:///etc/passwd");
        QTest::newRow("redirect to data:")
            << Routes{{"/pa", Response::redirect("data:image/gif;base64,R0lGOD")}}
            << QByteArray("/pa") << QByteArray()
            << QStringLiteral("failed (redirect to a non-web address): "
                              "data:image/gif;base64,R0lGOD");
        QTest::newRow("redirect without a location")
            << Routes{{"/pa", answer(302)}} << QByteArray("/pa") << QByteArray()
            << QStringLiteral("failed (HTTP 302): http://HOST/pa");
        QTest::newRow("connection reset")
            << Routes{{"/pa", resetConnection()}} << QByteArray("/pa") << QByteArray()
            << QStringLiteral("failed (network error RemoteHostClosedError): http://HOST/pa");
    }
    void completesWhereTheRedirectsEnd()
    {
        QFETCH(Routes, routes);
        QFETCH(QByteArray, start);
        QFETCH(QByteArray, end);
        QFETCH(QString, logged);
        for (auto [target, response] : routes) {
            for (auto &header : response.headers)
                header.second.replace("ABSOLUTE", urlBytes(""));
            m_service->on(target, response);
        }
        QTest::ignoreMessage(QtDebugMsg,
                             logged.replace(QStringLiteral("HOST"), m_service->host()).toUtf8());
        QCOMPARE(completion(url(start)), end.isEmpty() ? failed() : url(end));
    }

    void failsOnAnUnreachableOrUnusableAddress_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("logged");
        const QString refused =
            QStringLiteral("http://127.0.0.1:%1/pa").arg(FakeService::closedPort());
        QTest::newRow("refused") << refused << "failed (connection refused): " + refused;
        // Only its length: the address carries what was typed.
        const QString longAddress = refused + "?p=1:" + QString(300, u'7') + ":1";
        QTest::newRow("refused, long address")
            << longAddress
            << QStringLiteral("failed (connection refused): [http link, %1 bytes]")
                   .arg(longAddress.size());
        QTest::newRow("initial location")
            << QStringLiteral("http:///") << QStringLiteral("failed (not a web address): http:///");
        QTest::newRow("not a web address") << QStringLiteral("file:///etc/hosts")
                                           << QStringLiteral("failed (not a web address): "
                                                             "file:///etc/hosts");
        QTest::newRow("empty") << QString() << QStringLiteral("failed (not a web address): ");
    }
    void failsOnAnUnreachableOrUnusableAddress()
    {
        QFETCH(QString, address);
        QFETCH(QString, logged);
        QTest::ignoreMessage(QtDebugMsg, logged.toUtf8());
        QCOMPARE(completion(address), failed());
    }

    void tooManyRedirectsFail()
    {
        for (int hop = 0; hop <= NetworkNavigator::maxRedirects; ++hop)
            m_service->on("/" + QByteArray::number(hop),
                          Response::redirect("/" + QByteArray::number(hop + 1)));
        m_service->on("/" + QByteArray::number(NetworkNavigator::maxRedirects + 1),
                      Response::gif());
        QCOMPARE(completion(url("/0")), failed());

        m_service->on(
            "/1", Response::redirect("/" + QByteArray::number(NetworkNavigator::maxRedirects + 1)));
        QCOMPARE(completion(url("/0")),
                 url("/" + QByteArray::number(NetworkNavigator::maxRedirects + 1)));
    }

    void completesOnlyLater()
    {
        m_service->on("/pic.gif", Response::gif());
        QSignalSpy spy(m_navigator, &NetworkNavigator::navigateComplete);
        m_navigator->navigate(QStringLiteral("http:///"));
        m_navigator->navigate(url("/pic.gif"));
        QCOMPARE(spy.size(), 0);
        QVERIFY(spy.wait());
        QTest::qWait(100);
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), url("/pic.gif"));
    }

    void aNewNavigationAbandonsThePendingOne()
    {
        Response slow = Response::redirect("/slow.gif");
        slow.delayMs = 300;
        m_service->on("/slow", slow);
        m_service->on("/slow.gif", Response::gif());
        m_service->on("/fast.gif", Response::gif());

        QSignalSpy spy(m_navigator, &NetworkNavigator::navigateComplete);
        m_navigator->navigate(url("/slow"));
        QTRY_COMPARE(m_service->requestCount("/slow"), 1);
        m_navigator->navigate(url("/fast.gif"));
        QVERIFY(spy.wait());
        QTest::qWait(600);
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), url("/fast.gif"));
        QCOMPARE(m_service->requestCount("/slow.gif"), 0);
    }

    // Each query reaches the service exactly once, a hung one among them included.
    void oneRequestPerNavigation()
    {
        Response hang;
        hang.hang = true;
        m_service->on("/hang", hang);
        m_service->on("/pa", Response::redirect("/qq_online.gif"));
        m_service->on("/qq_online.gif", Response::gif());

        QSignalSpy spy(m_navigator, &NetworkNavigator::navigateComplete);
        for (int i = 0; i < 10; ++i) {
            if (i == 4) {
                m_navigator->navigate(url("/hang"));
                QTRY_COMPARE(m_service->requestCount("/hang"), 1);
                continue;
            }
            m_navigator->navigate(url("/pa?n=" + QByteArray::number(i)));
            QTRY_COMPARE(spy.size(), i < 4 ? i + 1 : i);
        }
        QTest::qWait(200);
        for (int i = 0; i < 10; ++i) {
            if (i != 4)
                QCOMPARE(m_service->requestCount("/pa?n=" + QByteArray::number(i)), 1);
        }
        QCOMPARE(m_service->requestCount("/hang"), 1);
        QCOMPARE(m_service->requestCount("/qq_online.gif"), 9);
        QCOMPARE(m_service->requests().size(), 19);
    }

    // A check goes where a browser with the same proxy settings sends it: direct without a proxy
    // or where the proxy's bypass names the service, by its address, in a list or by its
    // domain; through a proxy that works; and nowhere through one that does not. Whichever way,
    // a check abandoned behind a header still arriving never holds up the next one. The service
    // is on an address Qt does not take for loopback, which it never sends through a proxy.
    void goesWhereABrowserWould_data()
    {
        QTest::addColumn<QByteArray>("proxy"); // "forwarding", "dead", or none
        QTest::addColumn<QByteArray>("noProxy");
        QTest::addColumn<bool>("byName"); // the service named, instead of by its address
        QTest::addColumn<Way>("way");

        QTest::newRow("no proxy") << QByteArray() << QByteArray() << false << Way::Direct;
        QTest::newRow("bypassed by address")
            << QByteArray("forwarding") << QByteArray(testsupport::privateAddress) << false
            << Way::Direct;
        QTest::newRow("bypassed in a list")
            << QByteArray("forwarding") << "localhost," + QByteArray(testsupport::privateAddress)
            << false << Way::Direct;
        QTest::newRow("bypassed by domain suffix")
            << QByteArray("forwarding") << QByteArray("localhost,.tolvane.test") << true
            << Way::Direct;
        QTest::newRow("dead proxy, bypassed")
            << QByteArray("dead") << "localhost," + QByteArray(testsupport::privateAddress) << false
            << Way::Direct;
        QTest::newRow("through the proxy")
            << QByteArray("forwarding") << QByteArray("localhost,10.47.0.2,.example.test") << false
            << Way::ThroughTheProxy;
        QTest::newRow("through the proxy, by name")
            << QByteArray("forwarding") << QByteArray("localhost") << true << Way::ThroughTheProxy;
        QTest::newRow("dead proxy")
            << QByteArray("dead") << QByteArray("localhost") << false << Way::Nowhere;
    }
    void goesWhereABrowserWould()
    {
        QFETCH(QByteArray, proxy);
        QFETCH(QByteArray, noProxy);
        QFETCH(bool, byName);
        QFETCH(Way, way);
        if (!m_noPrivateNetwork.isEmpty())
            QSKIP(qPrintable("no network of the test's own for a service off loopback (" +
                             m_noPrivateNetwork + ")"));
        FakeService service;
        QVERIFY(service.listen(0, QHostAddress(QString::fromLatin1(testsupport::privateAddress))));
        testsupport::ForwardingProxy forwarding;
        QVERIFY(forwarding.listen());
        const QString deadProxy =
            QStringLiteral("http://127.0.0.1:%1").arg(FakeService::closedPort());
        const EnvironmentVariable proxySetting(
            "http_proxy", proxy == "forwarding" ? forwarding.address().toLatin1()
                          : proxy == "dead"     ? deadProxy.toLatin1()
                                                : QByteArray());
        const EnvironmentVariable bypass("no_proxy", noProxy);
        const QString origin = QStringLiteral("http://%1:%2")
                                   .arg(QLatin1String(byName ? testsupport::privateHostName
                                                             : testsupport::privateAddress))
                                   .arg(service.port());

        Response hugeHeader;
        hugeHeader.raw = "HTTP/1.1 302 Found\r\nX-Padding: " + QByteArray(16 * 1024 * 1024, 'x');
        hugeHeader.unfinished = true;
        service.on("/huge", hugeHeader);
        service.on("/pa", Response::redirect("/qq_online.gif"));
        service.on("/qq_online.gif", Response::gif());
        m_navigator->navigate(origin + "/huge");
        if (way != Way::Nowhere)
            QTRY_COMPARE(service.requestCount("/huge"), 1);
        QTest::qWait(200);

        // Behind the header, it took 15 to 40 s.
        QCOMPARE(completion(origin + "/pa", 3000),
                 way == Way::Nowhere ? failed() : origin + "/qq_online.gif");
        QCOMPARE(service.requestCount("/pa"), way == Way::Nowhere ? 0 : 1);
        const QByteArrayList throughTheProxy = {(origin + "/huge").toLatin1(),
                                                (origin + "/pa").toLatin1(),
                                                (origin + "/qq_online.gif").toLatin1()};
        QCOMPARE(forwarding.forwarded(),
                 way == Way::ThroughTheProxy ? throughTheProxy : QByteArrayList());
    }

    // A control on a window that is not shown yet still counts as shown by its host.
    void hostIsVisibleUntilHidden()
    {
        QVERIFY(!m_window->isVisible());
        QVERIFY(m_navigator->isHostVisible());
        m_host->hide();
        QVERIFY(!m_navigator->isHostVisible());
    }
};

QTEST_MAIN(TestNetworkNavigator)
#include "tst_networknavigator.moc"
