// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

// installed_handoff_probe <im-client-scheme> <hand-off page address>
//
// Makes the chat window's browser as the app does and hands off one page, so that a copy placed
// beside an installed app shows which helper the app starts there and whether the hand-off gets
// through. Prints "helper <path>", then "link <address>" for each link that reached the desktop,
// then "done" once the hand-off has ended.

#include "browser/handoffbrowser.h"

#include <QApplication>
#include <QDesktopServices>
#include <QEvent>
#include <QUrl>
#include <QWidget>

#include <cstdio>

namespace {

void report(const QByteArray &line)
{
    std::printf("%s\n", line.constData());
    std::fflush(stdout);
}

// The desktop's handler of the IM client's links.
class Desktop : public QObject
{
    Q_OBJECT

public slots:
    void open(const QUrl &url) { report("link " + url.toEncoded()); }
};

// A hand-off ends by hiding the browser's host.
class EndWatcher : public QObject
{
    Q_OBJECT

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Hide) {
            report("done");
            QCoreApplication::quit();
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: installed_handoff_probe <im-client-scheme> <address>\n", stderr);
        return 2;
    }
    const QString scheme = QString::fromLocal8Bit(argv[1]);
    Desktop desktop;
    QDesktopServices::setUrlHandler(scheme, &desktop, "open");

    QWidget host;
    host.show();
    EndWatcher watcher;
    host.installEventFilter(&watcher);
    auto *handoff = new browser::HandoffBrowser(&host, scheme);
    report("helper " + browser::HandoffBrowser::locateHelper().toLocal8Bit());
    handoff->navigate(QString::fromLocal8Bit(argv[2]));
    return app.exec();
}

#include "installed_handoff_probe.moc"
