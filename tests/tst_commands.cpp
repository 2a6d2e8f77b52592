// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "query_window/querywindow.h"
#include "tests/support/fakebrowser.h"
#include "tests/support/freshhome.h"
#include "tests/support/loopbackendpoints.h"
#include "tests/support/processes.h"
#include "tests/support/windowprobe.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#include <unistd.h>
#endif

using query_window::QueryWindow;
using testsupport::FakeBrowsers;

namespace {

// Stands in for the desktop's default browser.
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    // The desktop may call from a thread of its own; the record is kept on this object's.
    void open(const QUrl &url)
    {
        QMetaObject::invokeMethod(
            this, [this, url] { urls.append(url); }, Qt::QueuedConnection);
    }
};

// Counts the closing notifications a window gets.
class CloseCounter : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    int closes = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Close)
            ++closes;
        return QObject::eventFilter(watched, event);
    }
};

#ifdef Q_OS_LINUX
// The processes whose parent is `pid`, zombies included.
QStringList childrenOf(qint64 pid)
{
    QStringList children;
    for (const testsupport::ProcessInfo &process : testsupport::allProcesses()) {
        if (process.parent == pid)
            children << QStringLiteral("%1 (%2)").arg(process.pid).arg(process.command);
    }
    return children;
}
#endif

} // namespace

// The exit and home-page commands of the query window.
class TestCommands : public QObject
{
    Q_OBJECT

    FakeBrowsers m_browsers;
    FakeBrowsers m_chatBrowsers;
    const endpoints::Endpoints m_endpoints = testsupport::loopbackEndpoints();
    QueryWindow *m_window = nullptr;
    testsupport::WindowProbe m_ui;
    UrlRecorder m_desktop;

    // Everything of the window a command could change, control by control.
    QStringList state() const
    {
        QStringList state{QStringLiteral("window visible=%1 minimised=%2 geometry=%3,%4 %5x%6")
                              .arg(m_window->isVisible())
                              .arg(m_window->isMinimized())
                              .arg(m_window->x())
                              .arg(m_window->y())
                              .arg(m_window->width())
                              .arg(m_window->height())};
        const QList<QWidget *> controls = m_window->findChildren<QWidget *>();
        for (const QWidget *control : controls) {
            if (control->objectName().isEmpty() || control->objectName().startsWith(u"qt_"))
                continue;
            QString text;
            if (const auto *button = qobject_cast<const QAbstractButton *>(control))
                text = button->text();
            else if (const auto *label = qobject_cast<const QLabel *>(control))
                text = label->text();
            else if (const auto *combo = qobject_cast<const QComboBox *>(control))
                text = combo->currentText() + u'|' + QString::number(combo->count());
            state << QStringLiteral("%1 text=%2 enabled=%3 visible=%4")
                         .arg(control->objectName(), text)
                         .arg(control->isEnabled())
                         .arg(control->isVisibleTo(m_window));
        }
        for (const QWidget *window : QApplication::topLevelWidgets()) {
            if (window != m_window && window->isVisible())
                state << QStringLiteral("another window: ") + window->objectName();
        }
        return state;
    }

    // Puts the window in the state a row names: untouched, checking a number, or showing a result.
    void reach(const QString &situation)
    {
        if (situation == u"waiting")
            return;
        QTest::keyClicks(m_ui.numberBox(), QStringLiteral("12345"));
        m_ui.click(m_ui.queryButton());
        if (situation == u"showing a result")
            m_browsers.latest->complete(QStringLiteral("http://127.0.0.1:2/qq_online.gif"));
    }

    static void situations()
    {
        QTest::addColumn<QString>("situation");
        QTest::newRow("waiting") << "waiting";
        QTest::newRow("check in progress") << "check in progress";
        QTest::newRow("showing a result") << "showing a result";
    }

private slots:
    void initTestCase()
    {
#ifdef Q_OS_LINUX
        // Whatever the app under test leaves behind when it ends becomes a child of this test.
        QVERIFY(prctl(PR_SET_CHILD_SUBREAPER, 1) == 0);
#endif
    }

    void init()
    {
        m_browsers = {};
        m_chatBrowsers = {};
        m_desktop.urls.clear();
        QDesktopServices::setUrlHandler(QStringLiteral("http"), &m_desktop, "open");
        m_window = new QueryWindow(m_endpoints, m_browsers.factory(), m_chatBrowsers.factory());
        m_ui = testsupport::WindowProbe(m_window);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
    }
    void cleanup()
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        delete m_window;
    }

    // The event loop ends straight from the click, with success, and no window hears of it.
    void exitEndsTheEventLoop_data()
    {
        situations();
    }
    void exitEndsTheEventLoop()
    {
        QFETCH(QString, situation);
        reach(situation);
        CloseCounter closes;
        m_window->installEventFilter(&closes);

        QObject guard;
        QTimer::singleShot(0, &guard, [this] { m_ui.click(m_ui.exitButton()); });
        // Fails the row rather than hanging the test when the click ends nothing.
        QTimer::singleShot(60000, &guard, [] { QCoreApplication::exit(-1); });
        QCOMPARE(QCoreApplication::exec(), 0);

        QCOMPARE(closes.closes, 0);
        QVERIFY(m_window->isVisible());
    }

    // Enter in the number box presses 查询; on a button, which takes the focus by Tab, Enter
    // presses that button. So a number, Tab, Tab and Enter ends the program.
    void enterPressesTheFocusedButton()
    {
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        QTest::keyClicks(m_ui.numberBox(), QStringLiteral("12345"));
        const auto press = [](Qt::Key key) {
            QTest::keyClick(QApplication::focusWidget(), key);
        };

        press(Qt::Key_Return);
        QCOMPARE(m_browsers.latest->navigations.size(), 1);
        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), m_ui.queryButton());
        press(Qt::Key_Enter);
        QCOMPARE(m_browsers.latest->navigations.size(), 2);

        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), m_ui.exitButton());
        QObject guard;
        QTimer::singleShot(0, &guard, [&] { press(Qt::Key_Return); });
        QTimer::singleShot(60000, &guard, [] { QCoreApplication::exit(-1); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(m_browsers.latest->navigations.size(), 2);

        press(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), m_ui.chatButton());
        press(Qt::Key_Return);
        QCOMPARE(m_chatBrowsers.made, 1);
        QVERIFY(!m_window->isVisible());
        QCOMPARE(m_browsers.latest->navigations.size(), 2);
    }

    void homePageGoesToTheDesktopOnly_data()
    {
        situations();
    }
    void homePageGoesToTheDesktopOnly()
    {
        QFETCH(QString, situation);
        reach(situation);
        const QStringList before = state();
        const qsizetype navigations = m_browsers.latest->navigations.size();

        m_ui.click(m_ui.homePageButton());
        QTRY_COMPARE(m_desktop.urls.size(), 1);
        QCoreApplication::processEvents();
        QCOMPARE(m_desktop.urls.size(), 1);
        QCOMPARE(m_desktop.urls.constFirst().toEncoded(),
                 "http://" + m_endpoints.homePageHost.toLatin1());

        QCOMPARE(state(), before);
        QCOMPARE(m_browsers.latest->navigations.size(), navigations);
        QCOMPARE(m_chatBrowsers.made, 0);
    }

    void homePageTwiceOpensItTwice()
    {
        m_ui.click(m_ui.homePageButton());
        m_ui.click(m_ui.homePageButton());
        QTRY_COMPARE(m_desktop.urls.size(), 2);
        QCOMPARE(m_desktop.urls.constFirst(), m_desktop.urls.constLast());
    }

    // With nothing on the desktop to take web addresses (none does under the offscreen platform),
    // the click goes nowhere, and silently.
    void homePageWithoutABrowser()
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        const QStringList before = state();
        m_ui.click(m_ui.homePageButton());
        QCoreApplication::processEvents();
        QCOMPARE(state(), before);
        QVERIFY(m_browsers.latest->navigations.isEmpty());
    }

    // The app at rest runs nothing of its own, and once it has ended nothing of it is left.
    void theAppLeavesNothingRunning()
    {
#ifdef Q_OS_LINUX
        QTemporaryDir home;
        QVERIFY(home.isValid());
        QProcess app;
        app.setProcessEnvironment(testsupport::headlessEnvironment(home.path()));
        app.start(QStringLiteral(APP_PATH), QStringList());
        QVERIFY(app.waitForStarted());
        // Its window system is up, so its start-up is over.
        QTRY_VERIFY(testsupport::hasLoaded(app.processId(), "libqoffscreen"));
        QCOMPARE(app.state(), QProcess::Running);
        QCOMPARE(childrenOf(app.processId()), QStringList());

        app.terminate();
        QVERIFY(app.waitForFinished());
        QCOMPARE(childrenOf(QCoreApplication::applicationPid()), QStringList());
#else
        QSKIP("Needs the process table of Linux");
#endif
    }
};

QTEST_MAIN(TestCommands)
#include "tst_commands.moc"
