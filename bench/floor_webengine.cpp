// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

// bench-floor-webengine load <address> <count> <pause-ms> | handoff <address> <im-client-scheme>
// What a browser engine costs: a bare, viewless QWebEnginePage, off-the-record, default switches.
// load: the milliseconds from load() to loadFinished, one line each. handoff: "link <address>" when
// the page asks for the IM client's link (the one setting changed from the defaults, since the
// engine drops script navigations to unknown schemes silently); then waits for its input to close.

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

#include <cstdio>
#include <unistd.h>

namespace {

class LinkWatcher final : public QWebEnginePage
{
    Q_DISABLE_COPY_MOVE(LinkWatcher)

public:
    LinkWatcher(QWebEngineProfile *profile, QString scheme)
        : QWebEnginePage(profile), m_scheme(std::move(scheme))
    {
        settings()->setUnknownUrlSchemePolicy(QWebEngineSettings::AllowAllUnknownUrlSchemes);
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override
    {
        if (url.scheme() != m_scheme)
            return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
        std::printf("link %s\n", url.toEncoded().constData());
        std::fflush(stdout);
        return false;
    }

private:
    QString m_scheme;
};

int load(QWebEnginePage &page, const QUrl &address, int count, int pauseMs)
{
    QElapsedTimer clock;
    int done = 0;
    QObject::connect(&page, &QWebEnginePage::loadFinished, &page, [&](bool ok) {
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        if (!ok) {
            std::printf("error %s\n", page.url().toEncoded().constData());
            QCoreApplication::exit(1);
            return;
        }
        std::printf("%.3f\n", ms);
        std::fflush(stdout);
        if (++done == count) {
            QCoreApplication::quit();
            return;
        }
        QTimer::singleShot(pauseMs, &page, [&] {
            clock.start();
            page.load(address);
        });
    });
    clock.start();
    page.load(address);
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    const QByteArray mode = argc > 1 ? argv[1] : "";
    if (!((mode == "load" && argc == 5) || (mode == "handoff" && argc == 4)))
        return 2;
    // The engine will not start its sandbox as root.
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    int qtArgc = 1;
    QGuiApplication app(qtArgc, argv);
    const QUrl address = QUrl::fromEncoded(argv[2]);

    QWebEngineProfile profile;
    if (mode == "load") {
        QWebEnginePage page(&profile);
        return load(page, address, QByteArray(argv[3]).toInt(), QByteArray(argv[4]).toInt());
    }

    LinkWatcher page(&profile, QString::fromLatin1(argv[3]));
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [] {
        char buffer[256];
        if (::read(STDIN_FILENO, buffer, sizeof buffer) <= 0)
            QCoreApplication::quit();
    });
    page.load(address);
    return app.exec();
}
