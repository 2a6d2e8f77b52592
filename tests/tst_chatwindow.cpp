// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "chat_window/chatwindow.h"
#include "query_window/querywindow.h"
#include "tests/support/fakebrowser.h"
#include "tests/support/loopbackendpoints.h"
#include "tests/support/querywindows.h"
#include "tests/support/screenreader.h"
#include "tests/support/windowprobe.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using chat_window::ChatWindow;
using query_window::QueryWindow;
using testsupport::FakeBrowsers;
using testsupport::topLevel;
using testsupport::visibleWindows;

// The hand-off to the chat window and the way back, over fake browsers.
class TestChatWindow : public QObject
{
    Q_OBJECT

    FakeBrowsers m_browsers;
    FakeBrowsers m_chatBrowsers;
    QueryWindow *m_window = nullptr;
    testsupport::WindowProbe m_ui;

    ChatWindow *startChat()
    {
        m_ui.click(m_ui.chatButton());
        return topLevel<ChatWindow>("Form3");
    }

private slots:
    void init()
    {
        m_window = testsupport::openOnFakeBrowsers(m_browsers, m_chatBrowsers);
        m_ui = testsupport::WindowProbe(m_window);
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
        testsupport::queryOnlineThenType(m_ui, *m_browsers.latest, QStringLiteral("67890"));
    }
    void cleanup()
    {
        delete m_window;
        QTRY_VERIFY(!topLevel<ChatWindow>("Form3"));
    }

    void roundTrip()
    {
        const QStringList before = m_ui.state();
        testsupport::notificationsHeard();
        ChatWindow *chat = startChat();
        QVERIFY(chat);
        QVERIFY(chat->isVisible());
        QVERIFY(!m_window->isVisible());
        QCOMPARE(m_chatBrowsers.made, 1);
        QCOMPARE(m_chatBrowsers.latest->navigations,
                 QStringList{QStringLiteral("http://127.0.0.1:1/msgrd?V=1&Uin=67890")});
        QCOMPARE(m_browsers.latest->navigations.size(), 1); // no presence query
        QCOMPARE(m_ui.state(), before);
        // Where Qt can announce, the notice's text is said as it appears; before, a screen reader
        // reads it out with the alert by itself.
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        QCOMPARE(testsupport::notificationsHeard(),
                 QStringList{chat->findChild<QLabel *>("Label1")->text()});
#else
        QCOMPARE(testsupport::notificationsHeard(), QStringList());
#endif

        QPointer<ChatWindow> guard(chat);
        m_chatBrowsers.latest->hideHost();
        QTRY_VERIFY(!guard);
        QVERIFY(m_window->isVisible());
        QCOMPARE(m_ui.state(), before);
        // The window's return brings its title and its focus to a screen reader, and no more.
        QCOMPARE(testsupport::notificationsHeard(), QStringList());
    }

    void chatWindowDesign()
    {
        ChatWindow *chat = startChat();
        QVERIFY(QTest::qWaitForWindowExposed(chat));
        QCOMPARE(chat->windowTitle(), QString::fromUtf8("TolvaneQQ在线状态查询"));
        QCOMPARE(chat->size(), QSize(203, 58));
        QCOMPARE(chat->minimumSize(), chat->maximumSize());
        QCOMPARE(chat->windowType(), Qt::Tool); // no taskbar button
        QVERIFY(!(chat->windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(chat->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(chat->windowFlags() & Qt::WindowCloseButtonHint);
        QCOMPARE(chat->palette().color(QPalette::Window), QColor(192, 255, 192));
        QCOMPARE(chat->windowIcon().availableSizes().size(), 8);
        const QPoint screenCentre = chat->screen()->availableGeometry().center();
        QVERIFY((chat->geometry().center() - screenCentre).manhattanLength() <=
                8); // the frame's margins

        const testsupport::WindowProbe chatUi(chat);
        auto *notice = chatUi.find<QLabel>("Label1");
        QCOMPARE(notice->text(),
                 QString::fromUtf8("正在启动临时聊天窗口... (注意:此功能需要登录QQ)"));
        // Its second line may take a few pixels more than the design's 25, below it.
        QCOMPARE(notice->geometry().topLeft(), QPoint(32, 16));
        QCOMPARE(notice->width(), 157);
        QVERIFY(notice->height() >= 25);
        QVERIFY(notice->geometry().bottom() < chat->height());
        QCOMPARE(notice->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(notice->palette().color(QPalette::Window), QColor(192, 255, 192));
        QVERIFY(notice->wordWrap());
        // A screen reader tells it from the main window, and reads the notice out with it.
        QCOMPARE(QAccessible::queryAccessibleInterface(chat)->role(), QAccessible::AlertMessage);
        QCOMPARE(QAccessible::queryAccessibleInterface(notice)->text(QAccessible::Name),
                 notice->text());

        auto *browser = chatUi.find("WebBrowser1");
        QCOMPARE(browser->geometry(), QRect(32, 100, 17, 9));
        QVERIFY(browser->geometry().top() >= chat->height());
        QVERIFY(m_chatBrowsers.latest->isHostVisible());

        auto *timer = chatUi.find<QTimer>("Timer1");
        QVERIFY(timer);
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), ChatWindow::pollIntervalMs);
    }

    void secondHandOffStartsAfresh()
    {
        QPointer<ChatWindow> first = startChat();
        m_chatBrowsers.latest->hideHost();
        QTRY_VERIFY(!first);

        ChatWindow *second = startChat();
        QVERIFY(second);
        QCOMPARE(m_chatBrowsers.made, 2);
        QVERIFY(m_chatBrowsers.latest->isHostVisible());
        QCOMPARE(m_chatBrowsers.latest->navigations.size(), 1);
        const testsupport::WindowProbe secondUi(second);
        QVERIFY(secondUi.find<QTimer>("Timer1")->isActive());
        QVERIFY(secondUi.find<QLabel>("Label1")->isVisible());
    }

    // Closing the notice through its frame is a way back too, never a dead end: the query
    // window returns and the program goes on.
    void closingTheChatWindowReturns()
    {
        const QStringList before = m_ui.state();
        QPointer<ChatWindow> chat = startChat();
        QGuiApplication::setQuitOnLastWindowClosed(true);
        QTimer::singleShot(0, chat, [chat] { chat->close(); });
        QTimer::singleShot(500, qApp, [] { QCoreApplication::exit(7); });
        QCOMPARE(QApplication::exec(), 7);
        QVERIFY(!chat);
        QVERIFY(m_window->isVisible());
        QCOMPARE(m_ui.state(), before);
    }

    // However the notice goes away, and however soon 留言 follows (in the same turn of the event
    // loop, or in the next one, before the old notice's deferred delete), the user sees exactly
    // one window: a fresh notice, which in turn brings the query window back.
    void chatAgainAsSoonAsTheNoticeGoes_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("nextTurn");
        for (const char *how : {"closed by its poll", "closed through its frame", "deleted"}) {
            QTest::addRow("%s, same turn", how) << how << false;
            QTest::addRow("%s, next turn", how) << how << true;
        }
    }
    void chatAgainAsSoonAsTheNoticeGoes()
    {
        QFETCH(QString, how);
        QFETCH(bool, nextTurn);
        const QStringList before = m_ui.state();
        QPointer<ChatWindow> first = startChat();
        QVERIFY(QTest::qWaitForWindowExposed(first));

        // Whether the old notice was still around when 留言 was pressed, or -1 before then.
        int oldNoticeLived = -1;
        QObject context;
        connect(first, &ChatWindow::finished, &context, [&] {
            QVERIFY(m_window->isVisible());
            const auto chatAgain = [&] {
                oldNoticeLived = !first.isNull();
                m_ui.click(m_ui.chatButton());
            };
            if (nextTurn)
                QMetaObject::invokeMethod(&context, chatAgain, Qt::QueuedConnection);
            else
                chatAgain();
        });
        if (how == u"closed by its poll")
            m_chatBrowsers.latest->hideHost();
        else if (how == u"closed through its frame")
            QVERIFY(first->windowHandle()->close());
        else
            delete first;

        QTRY_VERIFY(oldNoticeLived != -1);
        // Pressed before the old notice was gone, unless it went at once by being deleted.
        QCOMPARE(oldNoticeLived, how != u"deleted" || !nextTurn ? 1 : 0);
        QTRY_VERIFY(!first);
        QCOMPARE(visibleWindows(), QStringList{QStringLiteral("Form3")});
        QCOMPARE(m_chatBrowsers.made, 2);
        ChatWindow *second = topLevel<ChatWindow>("Form3");
        QVERIFY(second);
        QVERIFY(second->findChild<QTimer *>("Timer1")->isActive());
        QCOMPARE(m_chatBrowsers.latest->navigations.size(), 1);

        QPointer<ChatWindow> guard(second);
        m_chatBrowsers.latest->hideHost();
        QTRY_VERIFY(!guard);
        QCOMPARE(visibleWindows(), QStringList{QStringLiteral("Form1")});
        QCOMPARE(m_ui.state(), before);
    }

    // The query window comes back once per notice, whatever the notice went through on its way.
    void finishedOncePerNotice()
    {
        FakeBrowsers browsers;
        auto *chat = new ChatWindow(browsers.factory());
        QSignalSpy finished(chat, &ChatWindow::finished);
        chat->show();
        chat->close();
        chat->close();
        QCOMPARE(finished.size(), 1);
        delete chat;
        QCOMPARE(finished.size(), 1);

        chat = new ChatWindow(browsers.factory());
        QSignalSpy destroyedOnly(chat, &ChatWindow::finished);
        delete chat;
        QCOMPARE(destroyedOnly.size(), 1);
    }

    // The poll runs before anything is navigated; the browser still reads as shown.
    void earlyTicksChangeNothing()
    {
        FakeBrowsers browsers;
        auto *chat = new ChatWindow(browsers.factory());
        QPointer<ChatWindow> guard(chat);
        QSignalSpy finished(chat, &ChatWindow::finished);
        QTest::qWait(10 * ChatWindow::pollIntervalMs);
        QVERIFY(guard);
        QCOMPARE(finished.size(), 0);
        chat->show();
        QTest::qWait(10 * ChatWindow::pollIntervalMs);
        QVERIFY(guard);
        browsers.latest->hideHost();
        QTRY_COMPARE(finished.size(), 1);
        QTRY_VERIFY(!guard);
    }
};

QTEST_MAIN(TestChatWindow)
#include "tst_chatwindow.moc"
