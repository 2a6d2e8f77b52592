// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "query_window/querywindow.h"
#include "tests/support/fakebrowser.h"
#include "tests/support/loopbackendpoints.h"
#include "tests/support/querywindows.h"
#include "tests/support/windowprobe.h"

#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>

using query_window::QueryWindow;
using testsupport::FakeBrowsers;

// The query window as it comes up, before the user has done anything.
class TestQueryWindowDesign : public QObject
{
    Q_OBJECT

    FakeBrowsers m_browsers;
    FakeBrowsers m_chatBrowsers;
    QueryWindow *m_window = nullptr;
    testsupport::WindowProbe m_ui;

private slots:
    void init()
    {
        m_window = testsupport::openOnFakeBrowsers(m_browsers, m_chatBrowsers);
        m_ui = testsupport::WindowProbe(m_window);
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
    }
    void cleanup() { delete m_window; }

    void window()
    {
        QCOMPARE(m_window->objectName(), "Form1");
        QCOMPARE(m_window->windowTitle(), QString::fromUtf8("TolvaneQQ在线状态查询"));
        QCOMPARE(m_window->size(), QSize(272, 191));
        QCOMPARE(m_window->minimumSize(), QSize(272, 191));
        QCOMPARE(m_window->maximumSize(), QSize(272, 191));
        QCOMPARE(m_window->palette().color(QPalette::Window), QColor(255, 192, 192));

        const Qt::WindowFlags flags = m_window->windowFlags();
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(flags & Qt::WindowSystemMenuHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QCOMPARE(m_window->windowType(), Qt::Window); // not a tool window: it has a taskbar button

        QCOMPARE(m_window->windowIcon().availableSizes().size(), 8);

        const QPoint screenCentre = m_window->screen()->availableGeometry().center();
        QVERIFY((m_window->geometry().center() - screenCentre).manhattanLength() <=
                8); // the frame's margins
    }

    void controlsInPlace_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("enabled");

        QTest::newRow("Image1") << "Image1" << QRect(12, 12, 251, 40) << true << true;
        QTest::newRow("Image2") << "Image2" << QRect(16, 16, 28, 26) << true << true;
        QTest::newRow("Label1") << "Label1" << QRect(64, 20, 173, 33) << true << true;
        QTest::newRow("Label2") << "Label2" << QRect(12, 68, 61, 13) << true << true;
        QTest::newRow("Combo1") << "Combo1" << QRect(72, 64, 89, 20) << true << true;
        QTest::newRow("Command1") << "Command1" << QRect(176, 64, 89, 25) << true << false;
        QTest::newRow("Command3") << "Command3" << QRect(176, 96, 89, 25) << true << false;
        QTest::newRow("Command4") << "Command4" << QRect(176, 128, 89, 25) << true << true;
        QTest::newRow("Command2") << "Command2" << QRect(176, 160, 89, 25) << true << true;
        QTest::newRow("Frame1") << "Frame1" << QRect(12, 88, 153, 93) << true << true;
        QTest::newRow("Label3") << "Label3" << QRect(8, 16, 137, 17) << true << true;
        QTest::newRow("Image3") << "Image3" << QRect(36, 48, 79, 28) << false << true;
        QTest::newRow("Image4") << "Image4" << QRect(36, 48, 78, 26) << false << true;
        QTest::newRow("WebBrowser1") << "WebBrowser1" << QRect(8, 228, 201, 117) << true << true;
    }
    void controlsInPlace()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(bool, shown);
        QFETCH(bool, enabled);

        QWidget *control = m_ui.find(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(), geometry);
        QCOMPARE(control->isVisible(), shown);
        QCOMPARE(control->isEnabled(), enabled);
        const bool inFrame = name == "Label3" || name == "Image3" || name == "Image4";
        QCOMPARE(control->parentWidget(), inFrame ? m_ui.find("Frame1") : m_window);
    }

    void texts()
    {
        QCOMPARE(m_ui.find<QLabel>("Label1")->text(),
                 QString::fromUtf8("不用登就知道好友是否在线！ 不用加为好友就能和她聊天！"));
        QCOMPARE(m_ui.find<QLabel>("Label2")->text(), QString::fromUtf8("对方号码： "));
        QCOMPARE(m_ui.find<QLabel>("Label3")->text(), QString::fromUtf8("等待查询任务"));
        QCOMPARE(m_ui.find<QGroupBox>("Frame1")->title(), QString::fromUtf8("状态"));
        QCOMPARE(m_ui.find<QLabel>("Label2")->buddy(), m_ui.find("Combo1"));
        for (const char *button : {"Command1", "Command2", "Command3", "Command4"})
            QVERIFY(m_ui.find<QPushButton>(button)->text().isEmpty());
        QComboBox *combo = m_ui.numberBox();
        QVERIFY(combo->currentText().isEmpty());
        QCOMPARE(combo->count(), 0);
    }

    void look()
    {
        auto *slogan = m_ui.find<QLabel>("Label1");
        QCOMPARE(slogan->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QVERIFY(!slogan->autoFillBackground());
        QVERIFY(slogan->wordWrap());
        QVERIFY(slogan->alignment() & Qt::AlignLeft);
        QVERIFY(m_ui.find<QLabel>("Label3")->alignment() & Qt::AlignHCenter);
        for (const char *name : {"Label2", "Label3", "Frame1"})
            QCOMPARE(m_ui.find(name)->palette().color(QPalette::Window), QColor(255, 192, 192));

        // The slogan and the flower lie on top of the banner.
        const QObjectList children = m_window->children();
        QVERIFY(children.indexOf(m_ui.find("Image1")) < children.indexOf(m_ui.find("Image2")));
        QVERIFY(children.indexOf(m_ui.find("Image1")) < children.indexOf(m_ui.find("Label1")));
        QCOMPARE(m_window->childAt(QPoint(20, 20)), m_ui.find("Image2"));

        auto *banner = m_ui.find<QLabel>("Image1");
        QVERIFY(banner->hasScaledContents());
        QCOMPARE(banner->frameShadow(), QFrame::Sunken);
        QCOMPARE(banner->pixmap().size(), QSize(249, 38));
        QCOMPARE(m_ui.find<QLabel>("Image2")->pixmap().size(), QSize(28, 26));
        QVERIFY(m_ui.find<QLabel>("Image3")->hasScaledContents());
        QVERIFY(!m_ui.find<QLabel>("Image4")->hasScaledContents());
        QCOMPARE(m_ui.find<QLabel>("Image3")->pixmap().size(), QSize(73, 22));
        QCOMPARE(m_ui.find<QLabel>("Image4")->pixmap().size(), QSize(74, 22));
        for (const char *name : {"Command1", "Command2", "Command3", "Command4"}) {
            auto *button = m_ui.find<QPushButton>(name);
            QVERIFY(!button->icon().isNull());
            QCOMPARE(button->iconSize(), QSize(90, 23));
        }
    }

    // What a screen reader finds in the window, walking it from the top: each control in its
    // role under the design's own text, and no trace of the banner's decorations.
    void whatAScreenReaderFinds_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("role"); // NoRole: not found at all
        QTest::addColumn<QString>("name");

        QTest::newRow("window") << "Form1" << int(QAccessible::Window)
                                << QString::fromUtf8("TolvaneQQ在线状态查询");
        QTest::newRow("banner") << "Image1" << int(QAccessible::NoRole) << QString();
        QTest::newRow("flower") << "Image2" << int(QAccessible::NoRole) << QString();
        QTest::newRow("query") << "Command1" << int(QAccessible::Button)
                               << QString::fromUtf8("查询");
        QTest::newRow("chat") << "Command3" << int(QAccessible::Button)
                              << QString::fromUtf8("留言");
        QTest::newRow("home page")
            << "Command4" << int(QAccessible::Button) << QString::fromUtf8("访问主页");
        QTest::newRow("exit") << "Command2" << int(QAccessible::Button)
                              << QString::fromUtf8("退出");
        QTest::newRow("status") << "Label3" << int(QAccessible::StaticText)
                                << QString::fromUtf8("等待查询任务");
        QTest::newRow("online badge")
            << "Image3" << int(QAccessible::Graphic) << QString::fromUtf8("在线");
        QTest::newRow("offline badge")
            << "Image4" << int(QAccessible::Graphic) << QString::fromUtf8("不在线");
    }
    void whatAScreenReaderFinds()
    {
        QFETCH(QString, control);
        QFETCH(int, role);
        QFETCH(QString, name);

        QList<QAccessibleInterface *> found{QAccessible::queryAccessibleInterface(m_window)};
        for (qsizetype next = 0; next < found.size(); ++next) {
            for (int i = 0; i < found[next]->childCount(); ++i)
                found.append(found[next]->child(i));
        }
        const QObject *wanted = control == m_window->objectName() ? m_window : m_ui.find(control);
        const auto it = std::find_if(found.cbegin(), found.cend(), [wanted](auto *reading) {
            return reading->object() == wanted;
        });
        if (role == QAccessible::NoRole) {
            QVERIFY(it == found.cend());
            return;
        }
        QVERIFY(it != found.cend());
        QCOMPARE(int((*it)->role()), role);
        QCOMPARE((*it)->text(QAccessible::Name), name);
    }

    void numberBoxTakesTypedTextOnly()
    {
        QComboBox *combo = m_ui.numberBox();
        QVERIFY(combo->isEditable());
        QCOMPARE(combo->insertPolicy(), QComboBox::NoInsert);
        QVERIFY(!combo->completer());
        QVERIFY(!combo->lineEdit()->completer());
    }

    // The browser lies below the client area, full size and shown by its host, and out of
    // the focus chain: nobody could see it take the focus.
    void browserOutOfSight()
    {
        QWidget *browser = m_ui.find("WebBrowser1");
        QVERIFY(browser->geometry().top() >= m_window->height());
        QVERIFY(!browser->isHidden());
        QCOMPARE(browser->focusPolicy(), Qt::NoFocus);
        QVERIFY(m_browsers.latest);
        QVERIFY(m_browsers.latest->isHostVisible());
        QCOMPARE(m_browsers.made, 1);
        QCOMPARE(m_chatBrowsers.made, 0);
        QVERIFY(m_browsers.latest->navigations.isEmpty()); // nothing asked of the network yet
    }

    void focusStartsInTheNumberBoxAndCycles()
    {
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        QCOMPARE(QApplication::focusWidget(), m_ui.find("Combo1"));

        auto tabCycle = [this] {
            QStringList order;
            for (int i = 0; i < 6; ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                order << QApplication::focusWidget()->objectName();
            }
            return order;
        };
        QCOMPARE(tabCycle(),
                 QStringList({"Command2", "Command4", "Combo1", "Command2", "Command4", "Combo1"}));
        m_ui.find("Command1")->setEnabled(true);
        m_ui.find("Command3")->setEnabled(true);
        QCOMPARE(tabCycle(), QStringList({"Command1", "Command2", "Command3", "Command4", "Combo1",
                                          "Command1"}));
    }

    void closingTheWindowEndsTheProgram()
    {
        QGuiApplication::setQuitOnLastWindowClosed(true);
        QTimer::singleShot(0, m_window, [this] { m_window->close(); });
        QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });
        QCOMPARE(QApplication::exec(), 0);
    }
};

QTEST_MAIN(TestQueryWindowDesign)
#include "tst_querywindow_design.moc"
