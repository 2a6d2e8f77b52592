// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "chat_window/chatwindow.h"
#include "query_window/querywindow.h"
#include "tests/support/fakebrowser.h"
#include "tests/support/loopbackendpoints.h"
#include "tests/support/onlyfont.h"
#include "tests/support/windowprobe.h"

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTest>

#include <cstdio>

// Pictures of both windows in each of their states, for a person to look at:
//   screenshots FOLDER PREFIX [FONT]
// writes FOLDER/PREFIX-waiting.png, -online, -offline and -chat; FONT (noto, wqy-microhei,
// wqy-zenhei, arphic-uming) makes that the only CJK font. On X11 the pictures are taken from the
// screen, with the window manager's frame; elsewhere they are the windows' own rendering.

namespace {

void shoot(QWidget *window, const QString &path)
{
    if (!QTest::qWaitForWindowExposed(window))
        std::fprintf(stderr, "%s: the window was never shown\n", qPrintable(path));
    QTest::qWait(500); // the window manager's frame and the first paint
    QPixmap picture;
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        const QRect frame = window->frameGeometry().adjusted(-4, -4, 4, 4);
        picture =
            window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    } else {
        picture = window->grab();
    }
    if (!picture.save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s FOLDER PREFIX [FONT]\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString prefix = QDir(folder).filePath(QString::fromLocal8Bit(argv[2]));
    if (argc > 3) {
        const testsupport::CjkFont *font =
            testsupport::findCjkFont(QString::fromLocal8Bit(argv[3]));
        if (!font || !testsupport::useOnlyFont(
                         *font, QDir(folder).filePath(QStringLiteral(".fonts/") + argv[3]))) {
            std::fprintf(stderr, "font %s is not installed\n", argv[3]);
            return 2;
        }
    }
    QApplication app(argc, argv);

    testsupport::FakeBrowsers browsers;
    testsupport::FakeBrowsers chatBrowsers;
    query_window::QueryWindow window(testsupport::loopbackEndpoints(), browsers.factory(),
                                     chatBrowsers.factory());
    const testsupport::WindowProbe ui(&window);
    window.show();
    shoot(&window, prefix + QStringLiteral("-waiting.png"));

    QTest::keyClicks(ui.numberBox(), QStringLiteral("1234567890"));
    ui.click(ui.queryButton());
    browsers.latest->complete(QStringLiteral("http://127.0.0.1:2/qq_online.gif"));
    shoot(&window, prefix + QStringLiteral("-online.png"));
    ui.click(ui.queryButton());
    browsers.latest->complete(QStringLiteral("http://127.0.0.1:2/qq_offline.gif"));
    shoot(&window, prefix + QStringLiteral("-offline.png"));

    ui.click(ui.chatButton());
    auto *chat = testsupport::topLevel<chat_window::ChatWindow>(QStringLiteral("Form3"));
    if (!chat)
        return 1;
    shoot(chat, prefix + QStringLiteral("-chat.png"));
    return 0;
}
