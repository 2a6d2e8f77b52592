// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "query_window/querywindow.h"
#include "tests/support/fakebrowser.h"
#include "tests/support/loopbackendpoints.h"
#include "tests/support/querywindows.h"
#include "tests/support/screenreader.h"
#include "tests/support/windowprobe.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using query_window::QueryWindow;
using testsupport::checkingText;
using testsupport::FakeBrowsers;
using testsupport::notificationsHeard;
using testsupport::offlineText;
using testsupport::onlineText;
using testsupport::waitingText;

namespace {

const QString online = QStringLiteral("http://127.0.0.1:2/qq_online.gif");

} // namespace

// Number entry, query and result display, driven as a user would, over a fake browser.
class TestPresence : public QObject
{
    Q_OBJECT

    FakeBrowsers m_browsers;
    FakeBrowsers m_chatBrowsers;
    QueryWindow *m_window = nullptr;
    testsupport::WindowProbe m_ui;
    QComboBox *m_combo = nullptr;
    QPushButton *m_query = nullptr;
    QPushButton *m_chat = nullptr;

    QLineEdit *edit() const { return m_combo->lineEdit(); }
    bool buttonsEnabled() const
    {
        QTEST_ASSERT(m_query->isEnabled() == m_chat->isEnabled());
        return m_query->isEnabled();
    }
    // Which picture shows, and the status text: the display state of the result area.
    QString display() const
    {
        const bool on = m_ui.onlineBadge()->isVisible();
        const bool off = m_ui.offlineBadge()->isVisible();
        return QStringLiteral("%1|%2|%3")
            .arg(on ? "online" : "-", off ? "offline" : "-", m_ui.status());
    }
    void type(const QString &text) { QTest::keyClicks(m_combo, text); }
    void query() { QTest::mouseClick(m_query, Qt::LeftButton); }
    void complete(const QString &address) { m_browsers.latest->complete(address); }

private slots:
    void init()
    {
        m_window = testsupport::openOnFakeBrowsers(m_browsers, m_chatBrowsers);
        m_ui = testsupport::WindowProbe(m_window);
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        m_combo = m_ui.numberBox();
        m_query = m_ui.queryButton();
        m_chat = m_ui.chatButton();
        notificationsHeard();
    }
    void cleanup() { delete m_window; }

    void fiveCharactersEnableQueryAndChat()
    {
        type(QStringLiteral("1234"));
        QVERIFY(!buttonsEnabled());
        type(QStringLiteral("5"));
        QVERIFY(buttonsEnabled());
        QTest::keyClick(m_combo, Qt::Key_Backspace);
        QVERIFY(!buttonsEnabled());
        QTest::keyClick(m_combo, Qt::Key_Z, Qt::ControlModifier); // undo brings the 5 back
        QCOMPARE(m_combo->currentText(), "12345");
        QVERIFY(buttonsEnabled());
        QTest::keyClick(m_combo, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); // redo
        QCOMPARE(m_combo->currentText(), "1234");
        QVERIFY(!buttonsEnabled());
        edit()->selectAll();
        QTest::keyClick(m_combo, Qt::Key_Delete);
        QVERIFY(!buttonsEnabled());
        QVERIFY(m_ui.exitButton()->isEnabled());
        QVERIFY(m_ui.homePageButton()->isEnabled());
    }

    // Length counts UTF-16 code units of the text as typed, blanks and all.
    void lengthInCodeUnits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("five blanks") << "     " << true;
        QTest::newRow("four blanks") << "    " << false;
        QTest::newRow("two emoji are four units") << QString::fromUtf8("😀😀") << false;
        QTest::newRow("two emoji and a digit") << QString::fromUtf8("😀😀1") << true;
        QTest::newRow("four chinese") << QString::fromUtf8("一二三四") << false;
        QTest::newRow("five chinese") << QString::fromUtf8("一二三四五") << true;
        QTest::newRow("punctuation") << "&#%?/" << true;
    }
    void lengthInCodeUnits()
    {
        QFETCH(QString, text);
        QFETCH(bool, enabled);
        // Inserted as one edit, as an input method commits it.
        edit()->insert(text);
        QCOMPARE(m_combo->currentText(), text);
        QCOMPARE(buttonsEnabled(), enabled);
    }

    void pasteAndCutCount()
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("123456"));
        QTest::keyClick(m_combo, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(m_combo->currentText(), "123456");
        QVERIFY(buttonsEnabled());
        edit()->setSelection(0, 3);
        QTest::keyClick(m_combo, Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(m_combo->currentText(), "456");
        QVERIFY(!buttonsEnabled());
    }

    void queryNavigatesShowsCheckingAndRemembers()
    {
        type(QStringLiteral(" 12&3#4"));
        query();
        QCOMPARE(m_browsers.latest->navigations,
                 QStringList{QStringLiteral("http://127.0.0.1:1/pa?p=1: 12&3#4:1")});
        QCOMPARE(display(), "-|-|" + checkingText);
        QCOMPARE(notificationsHeard(), QStringList{checkingText});
        QCOMPARE(m_ui.history(), QStringList{QStringLiteral(" 12&3#4")});
        // The text, its place and the buttons are left as they were.
        QCOMPARE(m_combo->currentText(), " 12&3#4");
        QCOMPARE(edit()->cursorPosition(), 7);
        QVERIFY(buttonsEnabled());
    }

    void sameNumberTwiceIsRememberedTwice()
    {
        type(QStringLiteral("12345"));
        query();
        query();
        QCOMPARE(m_ui.history(), QStringList({"12345", "12345"}));
        QCOMPARE(m_browsers.latest->navigations.size(), 2);
    }

    void enterRunsTheQueryOnlyWhenItIsEnabled()
    {
        type(QStringLiteral("1234"));
        QTest::keyClick(m_combo, Qt::Key_Return);
        QVERIFY(m_browsers.latest->navigations.isEmpty());
        QCOMPARE(m_ui.history(), QStringList());
        QCOMPARE(m_ui.status(), waitingText);
        QCOMPARE(notificationsHeard(), QStringList());

        type(QStringLiteral("5"));
        QTest::keyClick(m_combo, Qt::Key_Return);
        QCOMPARE(m_browsers.latest->navigations.size(), 1);
        QTest::keyClick(m_combo, Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(m_browsers.latest->navigations.size(), 2);
        QCOMPARE(m_ui.history(), QStringList({"12345", "12345"})); // Enter itself adds nothing
        QCOMPARE(notificationsHeard(), QStringList({checkingText, checkingText}));
    }

    // Picking a remembered number gives buttons that match it, by mouse or by keyboard.
    void pickingFromTheHistoryKeepsTheButtonsInStep()
    {
        type(QStringLiteral("12345"));
        query();
        edit()->clear();
        type(QStringLiteral("12"));
        QVERIFY(!buttonsEnabled());

        m_combo->showPopup();
        QAbstractItemView *list = m_combo->view();
        QTRY_VERIFY(list->isVisible());
        const QRect item = list->visualRect(list->model()->index(0, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
        QTRY_VERIFY(!list->isVisible());
        QCOMPARE(m_combo->currentText(), "12345");
        QVERIFY(buttonsEnabled());

        edit()->clear();
        type(QStringLiteral("12"));
        QVERIFY(!buttonsEnabled());
        QTest::keyClick(m_combo, Qt::Key_Down, Qt::AltModifier);
        QTRY_VERIFY(list->isVisible());
        QTest::keyClick(list, Qt::Key_Return);
        QTRY_VERIFY(!list->isVisible());
        QCOMPARE(m_combo->currentText(), "12345");
        QVERIFY(buttonsEnabled());
    }

    // The start of a remembered number stays exactly what was typed.
    void nothingIsCompletedFromTheHistory()
    {
        type(QStringLiteral("10001"));
        query();
        edit()->clear();
        type(QStringLiteral("1000"));
        QCOMPARE(m_combo->currentText(), "1000");
        QVERIFY(!buttonsEnabled());
        QTest::keyClick(m_combo, Qt::Key_Return);
        QCOMPARE(m_browsers.latest->navigations.size(), 1);
    }

    // Every display state reached from every other, by each kind of completion, and what a
    // screen reader says of it unasked: each new status text, even one that is the same again.
    void resultStates_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("completion");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QStringList>("heard");

        const QString waiting = "-|-|" + waitingText;
        const QString isOnline = "online|-|" + onlineText;
        const QString isOffline = "-|offline|" + offlineText;
        const QStringList befores{"waiting", "checking", "online", "offline"};
        for (const QString &before : befores) {
            const QString start = before == "waiting"    ? waiting
                                  : before == "checking" ? "-|-|" + checkingText
                                  : before == "online"   ? isOnline
                                                         : isOffline;
            const QStringList nothing, onlineHeard{onlineText}, offlineHeard{offlineText};
            QTest::addRow("%s, initial location", qPrintable(before))
                << before << "http:///" << start << nothing;
            QTest::addRow("%s, online", qPrintable(before))
                << before << online << isOnline << onlineHeard;
            QTest::addRow("%s, upper case", qPrintable(before))
                << before << online.toUpper() << isOffline << offlineHeard;
            QTest::addRow("%s, trailing slash", qPrintable(before))
                << before << online + "/" << isOffline << offlineHeard;
            QTest::addRow("%s, query string", qPrintable(before))
                << before << online + "?1" << isOffline << offlineHeard;
            QTest::addRow("%s, error page", qPrintable(before))
                << before << "about:neterror" << isOffline << offlineHeard;
        }
    }
    void resultStates()
    {
        QFETCH(QString, before);
        QFETCH(QString, completion);
        QFETCH(QString, after);
        QFETCH(QStringList, heard);

        if (before == "checking") {
            type(QStringLiteral("12345"));
            query();
        } else if (before != "waiting") {
            complete(before == "online" ? online : QStringLiteral("about:neterror"));
        }
        notificationsHeard();
        complete(completion);
        QCOMPARE(display(), after);
        QCOMPARE(notificationsHeard(), heard);
    }

    void previousPictureStaysWhileChecking()
    {
        complete(online);
        type(QStringLiteral("12345"));
        query();
        QCOMPARE(display(), "online|-|" + checkingText);
        complete(QStringLiteral("http://127.0.0.1:2/qq_offline.gif"));
        query();
        QCOMPARE(display(), "-|offline|" + checkingText);
    }

    // Two queries under way: whichever completion comes last decides, whatever it belonged to.
    void lastCompletionWins()
    {
        type(QStringLiteral("11111"));
        query();
        edit()->clear();
        type(QStringLiteral("22222"));
        query();
        complete(QStringLiteral("http://127.0.0.1:2/qq_offline.gif"));
        complete(online);
        QCOMPARE(display(), "online|-|" + onlineText);
        QCOMPARE(m_ui.history(), QStringList({"11111", "22222"}));
    }
};

QTEST_MAIN(TestPresence)
#include "tst_presence.moc"
