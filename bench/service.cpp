// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

// bench-service <presence-port> <logo-port> <im-client-scheme>
//
// The IM service as the benchmarks need it, on loopback: the presence picture redirects to the
// online picture on the logo host, and the chat hand-off page sends the browser on to the IM
// client's link by script as soon as it is parsed (number 00000 gets a page that does nothing, so
// that the chat window has to wait). Connections are kept alive as any HTTP/1.1 server keeps them.
// Prints "ready" once both ports listen, then one line per request: "<host> <target>". A line
// "delay <ms>" on its standard input makes every later answer wait that long, as a distant server
// would. Ends when its standard input closes, so it never outlives the driver.

#include <QByteArray>
#include <QCoreApplication>
#include <QHash>
#include <QHostAddress>
#include <QSocketNotifier>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>

#include <cstdio>
#include <functional>
#include <unistd.h>

namespace {

constexpr char idleNumber[] = "00000";
int answerDelayMs = 0;

void report(const QByteArray &line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

struct Answer
{
    int status = 200;
    QByteArray contentType = "text/plain";
    QByteArray location;
    QByteArray body;
};

class Site : public QObject
{
    Q_DISABLE_COPY_MOVE(Site)

public:
    using Route = std::function<Answer(const QByteArray &target)>;

    Site(QByteArray name, Route route, QObject *parent)
        : QObject(parent), m_name(std::move(name)), m_route(std::move(route)),
          m_server(new QTcpServer(this))
    {
        connect(m_server, &QTcpServer::newConnection, this, &Site::accept);
    }

    bool listen(quint16 port) { return m_server->listen(QHostAddress::LocalHost, port); }

private:
    void accept()
    {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    // Answers every complete request in the buffer, in order, as pipelining clients expect.
    void read(QTcpSocket *socket)
    {
        QByteArray &buffer = m_pending[socket];
        buffer += socket->readAll();
        qsizetype end;
        while ((end = buffer.indexOf("\r\n\r\n")) >= 0) {
            const QList<QByteArray> lines = buffer.left(end).split('\n');
            buffer.remove(0, end + 4);
            const QByteArray target = lines.value(0).split(' ').value(1);
            bool close = false;
            for (const QByteArray &line : lines.mid(1)) {
                const QByteArray header = line.trimmed().toLower();
                if (header.startsWith("connection:") && header.contains("close"))
                    close = true;
            }
            report(m_name + ' ' + target);
            const Answer response = m_route(target);
            if (answerDelayMs > 0) {
                QTimer::singleShot(answerDelayMs, socket, [this, socket, response, close] {
                    answer(socket, response, close);
                });
            } else {
                answer(socket, response, close);
            }
            if (close) {
                m_pending.remove(socket);
                return;
            }
        }
    }

    void answer(QTcpSocket *socket, const Answer &answer, bool close)
    {
        QByteArray out = "HTTP/1.1 " + QByteArray::number(answer.status) + " Bench\r\n";
        out += "Content-Type: " + answer.contentType + "\r\n";
        out += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n";
        out += "Cache-Control: no-store\r\n";
        if (!answer.location.isEmpty())
            out += "Location: " + answer.location + "\r\n";
        if (close)
            out += "Connection: close\r\n";
        out += "\r\n" + answer.body;
        socket->write(out);
        if (close)
            socket->disconnectFromHost();
    }

    QByteArray m_name;
    Route m_route;
    QTcpServer *m_server;
    QHash<QTcpSocket *, QByteArray> m_pending;
};

QByteArray pathOf(const QByteArray &target)
{
    const qsizetype query = target.indexOf('?');
    return query < 0 ? target : target.left(query);
}

Answer presence(const QByteArray &target, quint16 logoPort, const QByteArray &imScheme)
{
    Answer answer;
    const QByteArray path = pathOf(target);
    if (path == "/pa") {
        answer.status = 302;
        answer.location = "http://127.0.0.1:" + QByteArray::number(logoPort) + "/qq_online.gif";
    } else if (path == "/msgrd") {
        const QUrlQuery query(QString::fromLatin1(target.mid(path.size() + 1)));
        const QByteArray number = query.queryItemValue(QStringLiteral("Uin")).toLatin1();
        answer.contentType = "text/html; charset=utf-8";
        answer.body = number == idleNumber ? QByteArray("<html><body>chat</body></html>")
                                           : "<html><head><script>location.href = '" + imScheme +
                                                 "://message/?uin=" + number +
                                                 "';</script></head><body>chat</body></html>";
    } else {
        answer.status = 404;
    }
    return answer;
}

Answer logo(const QByteArray &target)
{
    Answer answer;
    if (pathOf(target) == "/qq_online.gif") {
        answer.contentType = "image/gif";
        // The smallest GIF: one transparent pixel.
        answer.body =
            QByteArray::fromBase64("R0lGODlhAQABAIAAAAAAAP///yH5BAEAAAAALAAAAAABAAEAAAIBRAA7");
    } else {
        answer.status = 404;
    }
    return answer;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 4) {
        std::fputs("usage: bench-service <presence-port> <logo-port> <im-scheme>\n", stderr);
        return 2;
    }
    const auto presencePort = quint16(QByteArray(argv[1]).toUShort());
    const auto logoPort = quint16(QByteArray(argv[2]).toUShort());
    const QByteArray imScheme = argv[3];

    Site presenceSite(
        "presence",
        [logoPort, imScheme](const QByteArray &target) {
            return presence(target, logoPort, imScheme);
        },
        &app);
    Site logoSite("logo", &logo, &app);
    if (!presenceSite.listen(presencePort) || !logoSite.listen(logoPort)) {
        std::fprintf(stderr, "bench-service: ports %u and %u must be free\n", presencePort,
                     logoPort);
        return 1;
    }

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QByteArray commands;
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&commands] {
        char buffer[256];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            QCoreApplication::quit();
            return;
        }
        commands.append(buffer, got);
        qsizetype end;
        while ((end = commands.indexOf('\n')) >= 0) {
            const QList<QByteArray> words = commands.left(end).trimmed().split(' ');
            commands.remove(0, end + 1);
            if (words.value(0) == "delay")
                answerDelayMs = words.value(1).toInt();
        }
    });
    report("ready");
    return app.exec();
}
