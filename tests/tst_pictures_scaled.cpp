// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "chat_window/chatwindow.h"
#include "query_window/querywindow.h"
#include "tests/support/fakebrowser.h"
#include "tests/support/loopbackendpoints.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <cmath>
#include <memory>

using testsupport::FakeBrowsers;

// Both windows on a screen with more device pixels than points (QT_SCALE_FACTOR, 2 unless the run
// sets another): every picture must come from at least as many pixels as it covers on the screen,
// or it shows enlarged and blurred.
class TestPicturesScaled : public QObject
{
    Q_OBJECT

    FakeBrowsers m_browsers;
    std::unique_ptr<query_window::QueryWindow> m_window;
    qreal m_ratio = 1.0;

private slots:
    void initTestCase()
    {
        m_window = std::make_unique<query_window::QueryWindow>(
            testsupport::loopbackEndpoints(), m_browsers.factory(), m_browsers.factory());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        m_ratio = m_window->devicePixelRatioF();
        QVERIFY2(m_ratio > 1.0, "the screen must be scaled for this test to mean anything");
    }

    void windowKeepsItsDesign()
    {
        QCOMPARE(m_window->size(), QSize(272, 191));
        QCOMPARE(m_window->findChild<QLabel *>("Image1")->geometry(), QRect(12, 12, 251, 40));
        QCOMPARE(m_window->findChild<QPushButton *>("Command2")->geometry(),
                 QRect(176, 160, 89, 25));
    }

    void imagesAreSharp_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("picture"); // the 1x picture's pixels
        QTest::addColumn<QSize>("shown");   // the points it covers on the screen

        QTest::newRow("banner") << "Image1" << QSize(249, 38) << QSize(247, 36); // in its border
        QTest::newRow("flower") << "Image2" << QSize(28, 26) << QSize(28, 26);
        QTest::newRow("online") << "Image3" << QSize(73, 22) << QSize(75, 24); // stretched
        QTest::newRow("offline") << "Image4" << QSize(74, 22) << QSize(74, 22);
    }
    void imagesAreSharp()
    {
        QFETCH(QString, name);
        QFETCH(QSize, picture);
        QFETCH(QSize, shown);

        const auto *label = m_window->findChild<QLabel *>(name);
        QVERIFY(label);
        const QPixmap pixmap = label->pixmap();
        QCOMPARE(label->hasScaledContents() ? label->contentsRect().size()
                                            : pixmap.deviceIndependentSize().toSize(),
                 shown);
        // Every point the 1x design shows from a pixel of its own gets `ratio` pixels of its own
        // here. (The design stretches the online badge by 2 points; that stays as designed.)
        const QSize needed = (picture.boundedTo(shown).toSizeF() * m_ratio).toSize();
        QVERIFY2(pixmap.width() >= needed.width() - 1 && pixmap.height() >= needed.height() - 1,
                 qPrintable(QStringLiteral("%1 × %2 pixels for %3 × %4 on a %5x screen")
                                .arg(pixmap.width())
                                .arg(pixmap.height())
                                .arg(needed.width())
                                .arg(needed.height())
                                .arg(m_ratio)));
    }

    void buttonFacesAreSharp_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("query") << "Command1";
        QTest::newRow("chat") << "Command3";
        QTest::newRow("home page") << "Command4";
        QTest::newRow("exit") << "Command2";
    }
    void buttonFacesAreSharp()
    {
        QFETCH(QString, name);

        const auto *button = m_window->findChild<QPushButton *>(name);
        QVERIFY(button);
        QCOMPARE(button->iconSize(), QSize(90, 23));
        // What the button draws, enabled and disabled alike.
        for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled}) {
            const QPixmap face = button->icon().pixmap(button->iconSize(), m_ratio, mode);
            QVERIFY2(face.devicePixelRatio() >= m_ratio - 0.01,
                     qPrintable(QStringLiteral("%1 device pixels a point on a %2x screen")
                                    .arg(face.devicePixelRatio())
                                    .arg(m_ratio)));
            QCOMPARE(face.deviceIndependentSize().toSize(), QSize(90, 23));
        }
    }

    // Title bars, task bars and switchers draw the icon at 16 to 64 points; at whole ratios the
    // icon's @2x set serves up to 128. (At fractional ratios Qt's icon engine draws from the 1x
    // set, whose 128 pixels cover 64 points at any ratio up to 2.)
    void windowIconsAreSharp()
    {
        QList<int> sides = {16, 24, 32, 48, 64};
        if (qFuzzyCompare(m_ratio, std::round(m_ratio)))
            sides << 96 << 128;
        chat_window::ChatWindow chat(m_browsers.factory());
        for (const QWidget *window :
             {static_cast<QWidget *>(m_window.get()), static_cast<QWidget *>(&chat)}) {
            for (const int side : sides) {
                const QPixmap icon = window->windowIcon().pixmap(QSize(side, side), m_ratio);
                QVERIFY2(icon.width() >= qFloor(side * m_ratio),
                         qPrintable(QStringLiteral("%1: %2 px for %3 points")
                                        .arg(window->objectName())
                                        .arg(icon.width())
                                        .arg(side)));
            }
        }
    }
};

int main(int argc, char *argv[])
{
    if (!qEnvironmentVariableIsSet("QT_SCALE_FACTOR"))
        qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestPicturesScaled test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_pictures_scaled.moc"
