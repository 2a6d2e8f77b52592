// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "chat_window/chatwindow.h"
#include "design_text/designtext.h"
#include "query_window/querywindow.h"
#include "tests/support/fakebrowser.h"
#include "tests/support/loopbackendpoints.h"
#include "tests/support/onlyfont.h"
#include "tests/support/windowprobe.h"

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <clocale>
#include <cmath>
#include <memory>

using design_text::Frame;
using design_text::Label;
using design_text::detail::inkRect;
using design_text::detail::titleInkRect;
using testsupport::FakeBrowsers;

// Every text of both windows drawn whole, in its place and readable: under each CJK font that
// Linux users have, at a small and a large desktop font size, under light and dark desktop
// palettes. The font database is read once per process, so without LEGIBILITY_FONT the test
// runs itself once for each installed font and each locale there is.

namespace {

const QColor pink(255, 192, 192);
const QColor green(192, 255, 192);
constexpr double readableContrast = 4.5;

// Relative luminance and contrast ratio as WCAG defines them.
double luminance(const QColor &colour)
{
    auto linear = [](int value) {
        const double v = value / 255.0;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.red()) + 0.7152 * linear(colour.green()) +
           0.0722 * linear(colour.blue());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

double distance(const QColor &a, const QColor &b)
{
    return std::hypot(a.red() - b.red(), a.green() - b.green(), a.blue() - b.blue());
}

// The box around the pixels in area that are nearer the text's colour than the background's
// (the strokes without the faintest of their anti-aliased edges).
QRect inkBox(const QImage &image, const QRect &area, const QColor &text, const QColor &background)
{
    const double threshold = distance(text, background) / 2;
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (distance(image.pixelColor(x, y), text) < threshold)
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

// Of the pixels in area, the one that stands out most against the background: where the text is
// drawn, its colour as it reaches the screen.
QColor strongestAgainst(const QImage &image, const QRect &area, const QColor &background)
{
    QColor strongest = background;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (contrast(pixel, background) > contrast(strongest, background))
                strongest = pixel;
        }
    }
    return strongest;
}

QString describe(const QRectF &rect)
{
    return QStringLiteral("(%1, %2) to (%3, %4)")
        .arg(rect.left())
        .arg(rect.top())
        .arg(rect.right())
        .arg(rect.bottom());
}

QRect inWindow(const QWidget *control, const QRectF &rect)
{
    return rect.toAlignedRect().translated(control->mapTo(control->window(), QPoint()));
}

// Desktop palettes as the desktops set them: KDE's Breeze Dark and GNOME's Adwaita-dark.
QPalette darkPalette(const QColor &window, const QColor &base, const QColor &button,
                     const QColor &text)
{
    QPalette palette(text, button, button.lighter(150), button.darker(150), button.darker(120),
                     text, text, base, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::Highlight, QColor(61, 174, 233));
    return palette;
}

} // namespace

class TestLegibility : public QObject
{
    Q_OBJECT

    FakeBrowsers m_browsers;
    FakeBrowsers m_chatBrowsers;
    std::unique_ptr<query_window::QueryWindow> m_window;
    testsupport::WindowProbe m_ui;
    QFont m_desktopFont;
    QPalette m_desktopPalette;

    // The desktop as the row asks for it, then the query window.
    void setUpDesktop()
    {
        QFETCH_GLOBAL(int, pointSize);
        QFETCH_GLOBAL(QString, scheme);
        QFont font = m_desktopFont;
        font.setPointSize(pointSize);
        QApplication::setFont(font);
        if (scheme == QLatin1String("breeze-dark")) {
            QApplication::setPalette(darkPalette(QColor(42, 46, 50), QColor(27, 30, 32),
                                                 QColor(49, 54, 59), QColor(252, 252, 252)));
        } else if (scheme == QLatin1String("adwaita-dark")) {
            QApplication::setPalette(darkPalette(QColor(36, 36, 36), QColor(30, 30, 30),
                                                 QColor(53, 53, 53), QColor(255, 255, 255)));
        }
        m_window = std::make_unique<query_window::QueryWindow>(
            testsupport::loopbackEndpoints(), m_browsers.factory(), m_chatBrowsers.factory());
        m_ui = testsupport::WindowProbe(m_window.get());
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    // The status line showing `state`, as the user brings it there.
    void bringStatusTo(const QString &state)
    {
        if (state == QLatin1String("waiting"))
            return;
        QTest::keyClicks(m_ui.numberBox(), QStringLiteral("12345"));
        m_ui.click(m_ui.queryButton());
        if (state == QLatin1String("online"))
            m_browsers.latest->complete(QStringLiteral("http://127.0.0.1:2/qq_online.gif"));
        else if (state == QLatin1String("offline"))
            m_browsers.latest->complete(QStringLiteral("http://127.0.0.1:2/qq_offline.gif"));
    }

    // A label's text drawn whole inside the label and inside `area` (window coordinates), and
    // drawn where its font's metrics say, with at least `lines` lines of ink.
    void verifyWhole(Label *label, const QRect &area, int lines)
    {
        const QRectF ink = inkRect(*label);
        QVERIFY2(
            QRectF(label->rect()).contains(ink),
            qPrintable(
                QStringLiteral("ink %1 outside %2").arg(describe(ink), describe(label->rect()))));
        QVERIFY2(QRectF(area).contains(inWindow(label, ink)),
                 qPrintable(QStringLiteral("ink %1 outside %2 in the window")
                                .arg(describe(inWindow(label, ink)), describe(area))));

        const QImage image = label->grab().toImage();
        const QRect drawn =
            inkBox(image, image.rect(), label->palette().color(label->foregroundRole()),
                   label->palette().color(label->backgroundRole()));
        QVERIFY(!drawn.isEmpty());
        QVERIFY2(
            ink.toAlignedRect().adjusted(-1, -1, 1, 1).contains(drawn),
            qPrintable(
                QStringLiteral("drawn at %1, measured at %2").arg(describe(drawn), describe(ink))));
        // A line cut off or lost shows as less ink than its lines need.
        QVERIFY2(drawn.height() >= (lines - 1) * design_text::linePitch + 8,
                 qPrintable(QStringLiteral("ink only %1 px high").arg(drawn.height())));
        qInfo("%s: ink %d,%d %dx%d in the window, %d px", qPrintable(label->objectName()),
              inWindow(label, ink).x(), inWindow(label, ink).y(), inWindow(label, ink).width(),
              inWindow(label, ink).height(), drawn.height());
    }

    // The text's pixels against its fixed background reach readable contrast; returns the ratio.
    double verifyReadable(QWidget *control, const QRectF &ink, const QColor &background)
    {
        const QImage image = control->window()->grab().toImage();
        const QColor drawn = strongestAgainst(image, inWindow(control, ink), background);
        const double ratio = contrast(drawn, background);
        qInfo("%s: %s on %s, %.1f:1", qPrintable(control->objectName()), qPrintable(drawn.name()),
              qPrintable(background.name()), ratio);
        return ratio;
    }

private slots:
    void initTestCase()
    {
        m_desktopFont = QApplication::font();
        m_desktopPalette = QApplication::palette();
        qInfo("CJK font %s, locale %s, desktop family %s", qgetenv("LEGIBILITY_FONT").constData(),
              setlocale(LC_CTYPE, nullptr), qPrintable(QFontInfo(m_desktopFont).family()));
    }

    void initTestCase_data()
    {
        QTest::addColumn<int>("pointSize");
        QTest::addColumn<QString>("scheme");
        for (int pointSize : {9, 12}) {
            for (const char *scheme : {"light", "breeze-dark", "adwaita-dark"}) {
                QTest::addRow("%d pt, %s", pointSize, scheme)
                    << pointSize << QString::fromLatin1(scheme);
            }
        }
    }

    void cleanup()
    {
        m_window.reset();
        QTRY_VERIFY(!testsupport::topLevel(QStringLiteral("Form3")));
        QApplication::setFont(m_desktopFont);
        QApplication::setPalette(m_desktopPalette);
    }

    void windowsKeepTheirSize()
    {
        setUpDesktop();
        QCOMPARE(m_window->size(), QSize(272, 191));
        QTest::keyClicks(m_ui.numberBox(), QStringLiteral("12345"));
        m_ui.click(m_ui.chatButton());
        auto *chat = testsupport::topLevel<chat_window::ChatWindow>(QStringLiteral("Form3"));
        QVERIFY(chat);
        QCOMPARE(chat->size(), QSize(203, 58));
        chat->close();
    }

    // The slogan on the banner, inside its 2 px border; the prompt; the status text under the
    // frame's top line; all of them in their designed boxes.
    void queryWindowTextsWhole_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("lines");
        QTest::newRow("slogan") << "Label1"
                                << "waiting" << 2;
        QTest::newRow("prompt") << "Label2"
                                << "waiting" << 1;
        for (const char *state : {"waiting", "checking", "online", "offline"})
            QTest::addRow("status %s", state) << "Label3" << state << 1;
    }
    void queryWindowTextsWhole()
    {
        QFETCH(QString, label);
        QFETCH(QString, state);
        QFETCH(int, lines);
        setUpDesktop();
        bringStatusTo(state);

        auto *text = m_ui.find<Label>(label);
        QVERIFY(text);
        QRect area = text->geometry();
        if (label == QLatin1String("Label1"))
            area = m_ui.find(QStringLiteral("Image1"))->geometry().adjusted(2, 2, -2, -2);
        if (label == QLatin1String("Label3")) {
            // Clear of the frame's top line (two rows) by 2 px.
            auto *frame = m_ui.find<Frame>(QStringLiteral("Frame1"));
            area = frame->geometry().adjusted(0, frame->topLineY() + 2 + 2, 0, 0);
        }
        verifyWhole(text, area, lines);
    }

    // Lines of text need the height that holds all their ink, and no text needs none.
    void heightNeededHoldsTheInk_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("lines");
        QTest::newRow("no text") << QString() << 0;
        QTest::newRow("status") << QString::fromUtf8("等待查询任务") << 1;
        QTest::newRow("notice") << QString::fromUtf8(
                                       "正在启动临时聊天窗口... (注意:此功能需要登录QQ)")
                                << 2;
    }
    void heightNeededHoldsTheInk()
    {
        QFETCH(QString, text);
        QFETCH(int, lines);
        constexpr int width = 157; // the chat notice's
        design_text::TextBlock block(text, design_text::designFont(), width, true);
        QCOMPARE(block.lineCount(), lines);
        const QRect box(0, 0, width, block.heightNeeded());
        QVERIFY2(box.height() >= 0, qPrintable(QStringLiteral("%1 px").arg(box.height())));
        QCOMPARE(box.height() == 0, lines == 0);
        block.place(box, Qt::AlignLeft);
        QVERIFY2(
            block.inkRect().isEmpty() || QRectF(box).contains(block.inkRect()),
            qPrintable(
                QStringLiteral("ink %1 outside %2").arg(describe(block.inkRect()), describe(box))));
    }

    // What a screen reader reads is the plain text, whatever the drawing does with it.
    void screenReaderReadsThePlainTexts()
    {
        setUpDesktop();
        const QList<std::pair<const char *, const char *>> texts{
            {"Label1", "不用登就知道好友是否在线！ 不用加为好友就能和她聊天！"},
            {"Label2", "对方号码： "},
            {"Label3", "等待查询任务"},
            {"Frame1", "状态"}};
        for (const auto &[name, text] : texts) {
            QAccessibleInterface *reading =
                QAccessible::queryAccessibleInterface(m_ui.find(QString::fromLatin1(name)));
            QVERIFY(reading);
            QCOMPARE(reading->text(QAccessible::Name), QString::fromUtf8(text));
        }
    }

    // The frame's title whole above the status text, and the frame's line not through it.
    void frameTitleWhole()
    {
        setUpDesktop();
        auto *frame = m_ui.find<Frame>(QStringLiteral("Frame1"));
        const QRectF ink = titleInkRect(*frame);
        QVERIFY(QRectF(frame->rect()).contains(ink));
        QVERIFY(ink.bottom() <= m_ui.find(QStringLiteral("Label3"))->geometry().top());

        const QImage image = frame->grab().toImage();
        // Beside the title, the frame's line: its shades would count as ink.
        const QRect around =
            ink.toAlignedRect().adjusted(-1, -3, 1, 3).intersected(QRect(0, 0, frame->width(), 16));
        const QRect drawn =
            inkBox(image, around, frame->palette().color(QPalette::WindowText), pink);
        QVERIFY(!drawn.isEmpty());
        QVERIFY(ink.toAlignedRect().adjusted(-1, -1, 1, 1).contains(drawn));
        QVERIFY(drawn.height() >= 8);
        const QColor line = QPalette(pink).dark().color();
        for (int x = drawn.left(); x <= drawn.right(); ++x) {
            for (int y = frame->topLineY(); y < frame->topLineY() + 2; ++y)
                QVERIFY2(image.pixelColor(x, y) != line, "the frame's line runs through its title");
        }
    }

    // Both lines of the chat window's notice, inside the window; the label only grows downwards.
    void noticeWhole()
    {
        setUpDesktop();
        QTest::keyClicks(m_ui.numberBox(), QStringLiteral("12345"));
        m_ui.click(m_ui.chatButton());
        auto *chat = testsupport::topLevel<chat_window::ChatWindow>(QStringLiteral("Form3"));
        QVERIFY(chat);
        auto *notice = chat->findChild<Label *>(QStringLiteral("Label1"));
        QCOMPARE(notice->geometry().topLeft(), QPoint(32, 16));
        QCOMPARE(notice->width(), 157);
        QVERIFY(notice->height() >= 25);
        verifyWhole(notice, chat->rect(), 2);
        QCOMPARE(notice->text(),
                 QString::fromUtf8("正在启动临时聊天窗口... (注意:此功能需要登录QQ)"));
        chat->close();
    }

    // Ten digits of the widest digit fit the number box's field; its text, which follows the
    // desktop's colours, stays readable on its own background.
    void numberBoxShowsTenDigits()
    {
        setUpDesktop();
        QLineEdit *edit = m_ui.numberBox()->lineEdit();
        const QFontMetricsF metrics(edit->font());
        qreal widest = 0;
        for (char16_t digit = u'0'; digit <= u'9'; ++digit)
            widest = std::max(widest, metrics.horizontalAdvance(QString(10, digit)));
        const int room = edit->width() - edit->textMargins().left() - edit->textMargins().right() -
                         2 * 2; // QLineEdit's own margins
        QVERIFY2(widest <= room,
                 qPrintable(QStringLiteral("ten digits take %1 px of %2").arg(widest).arg(room)));
        qInfo("ten digits: %.1f px of %d, font stretch %d", widest, room, edit->font().stretch());

        QTest::keyClicks(edit, QStringLiteral("1234567890"));
        QCOMPARE(m_ui.numberBox()->currentText(), QStringLiteral("1234567890"));
        const QColor text = edit->palette().color(QPalette::Text);
        const QColor base = edit->palette().color(QPalette::Base);
        QVERIFY(contrast(text, base) >= readableContrast);
        const QImage image = edit->grab().toImage();
        QVERIFY(!inkBox(image, image.rect(), text, base).isEmpty());
    }

    // Every text on a fixed background that has no colour of its own in the design: the
    // original platform's dark default, whatever the desktop's colours.
    void textsReadableOnFixedBackgrounds_data()
    {
        QTest::addColumn<QString>("control");
        QTest::newRow("prompt") << "Label2";
        QTest::newRow("status") << "Label3";
        QTest::newRow("frame title") << "Frame1";
    }
    void textsReadableOnFixedBackgrounds()
    {
        QFETCH(QString, control);
        setUpDesktop();
        if (control == QLatin1String("Frame1")) {
            auto *frame = m_ui.find<Frame>(control);
            QVERIFY(verifyReadable(frame, titleInkRect(*frame), pink) >= readableContrast);
            return;
        }
        auto *label = m_ui.find<Label>(control);
        QVERIFY(verifyReadable(label, inkRect(*label), pink) >= readableContrast);
    }

    // The texts with a colour of their own keep it, on their backgrounds, whatever the
    // desktop's colours. (Their contrast is the design's: it is printed, not asserted.)
    void designColoursStay_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("slogan") << "Label1" << QColor(0, 0, 255);
        QTest::newRow("notice") << "Form3.Label1" << QColor(255, 0, 0);
    }
    void designColoursStay()
    {
        QFETCH(QString, label);
        QFETCH(QColor, colour);
        setUpDesktop();
        Label *text = nullptr;
        QColor background;
        if (label == QLatin1String("Label1")) {
            text = m_ui.find<Label>(label);
            background = m_window->grab().toImage().pixelColor(
                m_ui.find(QStringLiteral("Image1"))->geometry().center());
        } else {
            QTest::keyClicks(m_ui.numberBox(), QStringLiteral("12345"));
            m_ui.click(m_ui.chatButton());
            auto *chat = testsupport::topLevel<chat_window::ChatWindow>(QStringLiteral("Form3"));
            QVERIFY(chat);
            text = chat->findChild<Label *>(QStringLiteral("Label1"));
            background = green;
        }
        QCOMPARE(text->palette().color(QPalette::WindowText), colour);
        const QImage image = text->window()->grab().toImage();
        const QRect drawn = inkBox(image, inWindow(text, inkRect(*text)), colour, background);
        QVERIFY(drawn.height() >= design_text::linePitch + 8);
        verifyReadable(text, inkRect(*text), background);
        text->window()->close();
    }
};

namespace {

// Runs this test once for each installed CJK font and each locale, each in a process of its
// own; fails if any run fails or no font is installed.
int runOncePerFont(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList locales{QStringLiteral("C.UTF-8")};
    // Few machines have the Chinese locale generated; one of our own, in LOCPATH, does as well.
    QTemporaryDir compiled;
    QString localePath;
    if (std::setlocale(LC_ALL, "zh_CN.UTF-8")) {
        locales << QStringLiteral("zh_CN.UTF-8");
    } else if (compiled.isValid()) {
        QProcess::execute(QStringLiteral("localedef"),
                          {QStringLiteral("-i"), QStringLiteral("zh_CN"), QStringLiteral("-f"),
                           QStringLiteral("UTF-8"),
                           compiled.filePath(QStringLiteral("zh_CN.UTF-8"))});
        if (QFileInfo::exists(compiled.filePath(QStringLiteral("zh_CN.UTF-8/LC_CTYPE")))) {
            locales << QStringLiteral("zh_CN.UTF-8");
            localePath = compiled.path();
        }
    }
    if (locales.size() == 1)
        qInfo("No zh_CN.UTF-8 locale could be had here: C.UTF-8 only.");
    std::setlocale(LC_ALL, "C");

    int runs = 0;
    int failures = 0;
    for (const testsupport::CjkFont &font : testsupport::cjkFonts) {
        if (!QFileInfo::exists(QString::fromLatin1(font.file))) {
            qInfo("%s is not installed", font.name);
            continue;
        }
        for (const QString &locale : std::as_const(locales)) {
            QProcess run;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("LEGIBILITY_FONT"), QString::fromLatin1(font.name));
            environment.insert(QStringLiteral("LANG"), locale);
            environment.insert(QStringLiteral("LC_ALL"), locale);
            if (!localePath.isEmpty())
                environment.insert(QStringLiteral("LOCPATH"), localePath);
            run.setProcessEnvironment(environment);
            run.setProcessChannelMode(QProcess::ForwardedChannels);
            run.start(QCoreApplication::applicationFilePath(), app.arguments().mid(1));
            ++runs;
            if (!run.waitForFinished(-1) || run.exitStatus() != QProcess::NormalExit ||
                run.exitCode() != 0) {
                qWarning("FAILED with %s in %s", font.name, qPrintable(locale));
                ++failures;
            }
        }
    }
    if (runs == 0)
        qWarning("None of the CJK fonts is installed.");
    return runs == 0 || failures > 0 ? 1 : 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const QByteArray fontName = qgetenv("LEGIBILITY_FONT");
    if (fontName.isEmpty())
        return runOncePerFont(argc, argv);

    const testsupport::CjkFont *font = testsupport::findCjkFont(QString::fromLatin1(fontName));
    QTemporaryDir fonts;
    if (!font || !fonts.isValid() || !testsupport::useOnlyFont(*font, fonts.path())) {
        qWarning("Cannot use %s as the only CJK font.", fontName.constData());
        return 1;
    }
    QApplication app(argc, argv);
    TestLegibility test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_legibility.moc"
