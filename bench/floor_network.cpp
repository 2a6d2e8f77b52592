// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

// bench-floor-network <address> <count> <pause-ms>: the least a presence check costs with Qt
// Network. One QNetworkAccessManager, default redirect policy; prints the milliseconds from get()
// to the last reply finishing, one line per fetch, or "error <address>".

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QUrl>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    const QUrl address = QUrl::fromEncoded(argv[1]);
    const int count = QByteArray(argv[2]).toInt();
    const int pauseMs = QByteArray(argv[3]).toInt();

    QNetworkAccessManager manager;
    QElapsedTimer clock;
    int done = 0;
    std::function<void()> next = [&] {
        clock.start();
        QNetworkReply *reply = manager.get(QNetworkRequest(address));
        QObject::connect(reply, &QNetworkReply::finished, &app, [&, reply] {
            const double ms = double(clock.nsecsElapsed()) / 1e6;
            reply->deleteLater();
            if (reply->error() != QNetworkReply::NoError || reply->readAll().isEmpty()) {
                std::printf("error %s\n", reply->url().toEncoded().constData());
                QCoreApplication::exit(1);
                return;
            }
            std::printf("%.3f\n", ms);
            std::fflush(stdout);
            if (++done == count)
                QCoreApplication::quit();
            else
                QTimer::singleShot(pauseMs, &app, next);
        });
    };
    QTimer::singleShot(0, &app, next);
    return app.exec();
}
