// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "browser/handoffbrowser.h"
#include "query_window/querywindow.h"
#include "tests/support/fakebrowser.h"
#include "tests/support/fakeservice.h"
#include "tests/support/loopbackendpoints.h"
#include "tests/support/querywindows.h"
#include "tests/support/urlrecorder.h"
#include "tests/support/windowprobe.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <memory>

using testsupport::FakeService;
using testsupport::Response;

// Odd numbers through the chat command, the real hand-off browser and its helper: the only
// request made is for the presence host's hand-off page, carrying the text as a browser sends it;
// without the helper, the desktop gets that very address.
class TestReliabilityHandoff : public QObject
{
    Q_OBJECT

    FakeService *m_service = nullptr;
    testsupport::FakeBrowsers m_browsers;
    query_window::QueryWindow *m_window = nullptr;
    testsupport::WindowProbe m_ui;
    testsupport::UrlRecorder *m_desktop = nullptr;

private slots:
    void init()
    {
        m_service = new FakeService(this);
        QVERIFY(m_service->listen());
        m_service->setFallback([](const testsupport::Request &) {
            return Response::html("<script>location.href = 'imclient://message/'</script>");
        });
        m_desktop = new testsupport::UrlRecorder({"imclient", "http", "https", "file"});
        m_browsers = {};
        m_window = testsupport::openQueryWindow(
            testsupport::loopbackEndpoints(m_service->host()), m_browsers.factory(),
            browser::HandoffBrowser::factory(QStringLiteral("imclient"),
                                             QStringLiteral(HANDOFF_HELPER_PATH)));
        m_ui = testsupport::WindowProbe(m_window);
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
    }
    void cleanup()
    {
        delete m_window;
        delete m_desktop;
        delete m_service;
    }

    void oddNumbersReachOnlyTheHandOffPage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("decoded");
        const QString prefix = QStringLiteral("/msgrd?V=1&Uin=");
        QTest::newRow("digits") << "12345" << prefix + "12345";
        // The number ends the address, whose blanks and controls at the end a browser drops.
        QTest::newRow("five blanks") << "     " << prefix;
        QTest::newRow("blanks and a line break at the ends") << " 12345 \r\n" << prefix + " 12345";
        QTest::newRow("control characters") << QString::fromUtf8("1\x01\x7f\t5\x01")
                                            << prefix + QString::fromUtf8("1\x01\x7f"
                                                                          "5");
        QTest::newRow("rtl marks") << QString::fromUtf8("\u200f12345\u202e")
                                   << prefix + QString::fromUtf8("\u200f12345\u202e");
        QTest::newRow("lone surrogate")
            << QString(QChar(0xdc00)) + "1234" << prefix + QChar(0xfffd) + "1234";
        QTest::newRow("emoji") << QString::fromUtf8("😀😀😀") << prefix + QString::fromUtf8("😀😀😀");
        QTest::newRow("ampersand") << "1&Uin=2" << prefix + "1&Uin=2";
        QTest::newRow("hash ends the request") << "12#34" << prefix + "12";
        QTest::newRow("bad percent") << "12%zz" << prefix + "12%zz";
        QTest::newRow("slashes and at") << "@1/2\\3" << prefix + "@1/2\\3";
        QTest::newRow("plus and colon") << "+1:23" << prefix + "+1:23";
        QTest::newRow("chinese") << QString::fromUtf8("一二三四五")
                                 << prefix + QString::fromUtf8("一二三四五");
    }
    void oddNumbersReachOnlyTheHandOffPage()
    {
        QFETCH(QString, text);
        QFETCH(QString, decoded);

        m_ui.numberBox()->lineEdit()->insert(text);
        m_ui.click(m_ui.chatButton());
        QVERIFY(!m_window->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(m_window->isVisible(), 40000);

        QCOMPARE(m_service->requests().size(), 1);
        const testsupport::Request request = m_service->requests().at(0);
        QCOMPARE(request.host, m_service->host().toLatin1());
        QCOMPARE(QUrl::fromPercentEncoding(request.target), decoded);
        QCOMPARE(m_desktop->opened, QList<QUrl>{QUrl(QStringLiteral("imclient://message/"))});
        QVERIFY(m_browsers.latest->navigations.isEmpty());
        QCOMPARE(m_ui.numberBox()->currentText(), text);
    }

    // Without a helper the desktop gets the hand-off page in exactly the bytes that the helper's
    // engine asks the service for.
    void oddNumbersGoToTheDesktopAsTheHelperAsksForThem_data()
    {
        oddNumbersReachOnlyTheHandOffPage_data();
    }
    void oddNumbersGoToTheDesktopAsTheHelperAsksForThem()
    {
        QFETCH(QString, text);
        m_ui.numberBox()->lineEdit()->insert(text);
        m_ui.click(m_ui.chatButton());
        QTRY_VERIFY_WITH_TIMEOUT(m_window->isVisible(), 40000);
        QCOMPARE(m_service->requests().size(), 1);
        const QByteArray asked = m_service->url(m_service->requests().at(0).target);

        testsupport::FakeBrowsers browsers;
        const std::unique_ptr<query_window::QueryWindow> window(testsupport::openQueryWindow(
            testsupport::loopbackEndpoints(m_service->host()), browsers.factory(),
            browser::HandoffBrowser::factory(QStringLiteral("imclient"),
                                             QStringLiteral(HANDOFF_HELPER_PATH ".missing"))));
        testsupport::WindowProbe ui(window.get());
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        ui.numberBox()->lineEdit()->insert(text);
        m_desktop->opened.clear();
        ui.click(ui.chatButton());
        QTRY_VERIFY(window->isVisible());
        QCOMPARE(m_desktop->opened.size(), 1);
        QCOMPARE(m_desktop->opened.constFirst().toEncoded(), asked);
        QCOMPARE(m_service->requests().size(), 1);
    }
};

QTEST_MAIN(TestReliabilityHandoff)
#include "tst_reliability_handoff.moc"
