// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "tests/support/fakeservice.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace testsupport {

Response Response::redirect(const QByteArray &location, int status)
{
    Response response;
    response.status = status;
    response.headers.append({"Location", location});
    return response;
}

Response Response::html(const QByteArray &body)
{
    Response response;
    response.contentType = "text/html; charset=utf-8";
    response.body = body;
    return response;
}

Response Response::gif()
{
    Response response;
    response.contentType = "image/gif";
    // The smallest GIF: one transparent pixel.
    response.body =
        QByteArray::fromBase64("R0lGODlhAQABAIAAAAAAAP///yH5BAEAAAAALAAAAAABAAEAAAIBRAA7");
    return response;
}

FakeService::FakeService(QObject *parent) : QObject(parent), m_server(new QTcpServer(this))
{
    m_fallback = [](const Request &) {
        Response response;
        response.status = 404;
        return response;
    };
    connect(m_server, &QTcpServer::newConnection, this, &FakeService::accept);
}

FakeService::~FakeService() = default;

bool FakeService::listen(quint16 port)
{
    return listen(port, QHostAddress(QHostAddress::LocalHost));
}

bool FakeService::listen(quint16 port, const QHostAddress &address)
{
    return m_server->listen(address, port);
}

quint16 FakeService::port() const
{
    return m_server->serverPort();
}

QString FakeService::host() const
{
    return QStringLiteral("%1:%2").arg(m_server->serverAddress().toString()).arg(port());
}

QByteArray FakeService::url(const QByteArray &target) const
{
    return "http://" + host().toLatin1() + target;
}

void FakeService::on(const QByteArray &target, const Response &response)
{
    m_table.insert(target, response);
}

void FakeService::setFallback(Handler handler)
{
    m_fallback = std::move(handler);
}

int FakeService::requestCount(const QByteArray &target) const
{
    return int(std::count_if(m_requests.cbegin(), m_requests.cend(),
                             [&](const Request &request) { return request.target == target; }));
}

quint16 FakeService::closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

void FakeService::accept()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_pending.remove(socket);
            socket->deleteLater();
        });
    }
}

void FakeService::read(QTcpSocket *socket)
{
    QByteArray &buffer = m_pending[socket];
    buffer += socket->readAll();
    // Every complete request in order, as pipelining clients expect.
    qsizetype end;
    while ((end = buffer.indexOf("\r\n\r\n")) >= 0) {
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        buffer.remove(0, end + 4);

        Request request;
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        request.method = requestLine.value(0);
        request.target = requestLine.value(1);
        bool close = !m_keepAlive;
        for (const QByteArray &line : lines.mid(1)) {
            const QByteArray lower = line.toLower();
            if (lower.startsWith("host:"))
                request.host = line.mid(5).trimmed();
            else if (lower.startsWith("connection:") && lower.contains("close"))
                close = true;
        }
        m_requests.append(request);

        const Response response = m_table.contains(request.target)   ? m_table.value(request.target)
                                  : m_table.contains(request.path()) ? m_table.value(request.path())
                                                                     : m_fallback(request);
        if (!respond(socket, response, close))
            return;
    }
}

bool FakeService::respond(QTcpSocket *socket, const Response &response, bool close)
{
    if (response.hang)
        return false;
    if (response.reset) {
        socket->abort();
        return false;
    }
    const int delayMs = response.delayMs + m_delayMs;
    if (delayMs > 0) {
        QTimer::singleShot(delayMs, socket,
                           [this, socket, response, close] { answer(socket, response, close); });
    } else {
        answer(socket, response, close);
    }
    return !close;
}

void FakeService::answer(QTcpSocket *socket, const Response &response, bool close)
{
    QByteArray out = response.raw;
    if (out.isEmpty()) {
        out = "HTTP/1.1 " + QByteArray::number(response.status) + " Fake\r\n";
        out += "Content-Type: " + response.contentType + "\r\n";
        if (!response.unfinished)
            out += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
        if (close)
            out += "Connection: close\r\n";
        for (const auto &[name, value] : response.headers)
            out += name + ": " + value + "\r\n";
        out += "\r\n" + response.body;
    }
    if (response.dripMs > 0) {
        drip(socket, out, response.dripMs, response.resetAfterRaw);
        return;
    }
    socket->write(out);
    if (response.unfinished || !close)
        return;
    if (response.resetAfterRaw) {
        socket->flush();
        socket->abort();
    } else {
        socket->disconnectFromHost();
    }
}

void FakeService::drip(QTcpSocket *socket, QByteArray rest, int everyMs, bool resetAtEnd)
{
    if (rest.isEmpty()) {
        if (resetAtEnd)
            socket->abort();
        else
            socket->disconnectFromHost();
        return;
    }
    socket->write(rest.left(1));
    QTimer::singleShot(everyMs, socket, [=] { drip(socket, rest.mid(1), everyMs, resetAtEnd); });
}

} // namespace testsupport
