// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

// bench-service <presence-port> <logo-port> <im-client-scheme>: the tests' fake service, kept
// alive, with the routes README.md describes. Prints "ready", then "<host> <target>" for every
// request; "delay <ms>" on its input delays every later answer. Ends when its input closes.

#include "tests/support/fakeservice.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QUrlQuery>

#include <cstdio>
#include <unistd.h>

using testsupport::FakeService;
using testsupport::Request;
using testsupport::Response;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    FakeService presence, logo;
    if (argc != 4 || !presence.listen(QByteArray(argv[1]).toUShort()) ||
        !logo.listen(QByteArray(argv[2]).toUShort()))
        return 2;
    const QByteArray onlinePicture = "http://127.0.0.1:" + QByteArray(argv[2]) + "/qq_online.gif";
    const QByteArray scheme = argv[3];
    const auto answer = [&](const char *host, const Request &request) {
        std::printf("%s %s\n", host, request.target.constData());
        std::fflush(stdout);
        const QUrlQuery query(QString::fromLatin1(request.target.mid(request.path().size() + 1)));
        const QByteArray number = query.queryItemValue(QStringLiteral("Uin")).toLatin1();
        const QByteArray pictureOf =
            query.queryItemValue(QStringLiteral("p")).section(u':', 1, 1).toLatin1();
        Response response;
        if (request.path() == "/pa" && pictureOf == "00000") // offline: the picture stays put
            response = Response::gif();
        else if (request.path() == "/pa")
            response = Response::redirect(onlinePicture);
        else if (request.path() == "/qq_online.gif")
            response = Response::gif();
        else if (request.path() == "/msgrd" && number == "00000") // leaves the chat window waiting
            response = Response::html("<html><body>chat</body></html>");
        else if (request.path() == "/msgrd")
            response = Response::html("<html><head><script>location.href = '" + scheme +
                                      "://message/?uin=" + number +
                                      "';</script></head><body>chat</body></html>");
        else
            response.status = 404;
        // Nothing is cached between queries, as the real service's answers are not.
        response.headers.append(qMakePair(QByteArray("Cache-Control"), QByteArray("no-store")));
        return response;
    };
    presence.setFallback([&](const Request &request) { return answer("presence", request); });
    logo.setFallback([&](const Request &request) { return answer("logo", request); });
    for (FakeService *service : {&presence, &logo})
        service->setKeepAlive(true);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char line[64] = {};
        if (::read(STDIN_FILENO, line, sizeof line - 1) <= 0)
            QCoreApplication::quit();
        for (FakeService *service : {&presence, &logo})
            service->setDelay(QByteArray(line).startsWith("delay ") ? std::atoi(line + 6) : 0);
    });
    std::puts("ready");
    std::fflush(stdout);
    return app.exec();
}
