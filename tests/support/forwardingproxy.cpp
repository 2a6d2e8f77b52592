// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "tests/support/forwardingproxy.h"

#include <QHostAddress>
#include <QNetworkProxy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

namespace testsupport {
namespace {

// Whatever arrives on one socket goes out on the other, until either side closes.
void pipe(QTcpSocket *from, QTcpSocket *to)
{
    QObject::connect(from, &QTcpSocket::readyRead, to, [from, to] { to->write(from->readAll()); });
    QObject::connect(from, &QTcpSocket::disconnected, to, [to] { to->disconnectFromHost(); });
}

} // namespace

ForwardingProxy::ForwardingProxy(QObject *parent) : QObject(parent), m_server(new QTcpServer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &ForwardingProxy::accept);
}

bool ForwardingProxy::listen()
{
    return m_server->listen(QHostAddress::LocalHost);
}

QString ForwardingProxy::address() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server->serverPort());
}

void ForwardingProxy::accept()
{
    while (QTcpSocket *client = m_server->nextPendingConnection()) {
        client->setParent(this);
        connect(client, &QTcpSocket::readyRead, this, [this, client] { readRequest(client); });
        connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
    }
}

// "GET http://host:port/path HTTP/1.1" goes on as "GET /path HTTP/1.1" to host:port, with the
// connection closed after the answer.
void ForwardingProxy::readRequest(QTcpSocket *client)
{
    const QByteArray head = client->peek(client->bytesAvailable());
    const qsizetype end = head.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    client->read(end + 4);
    disconnect(client, &QTcpSocket::readyRead, this, nullptr);

    QList<QByteArray> lines = head.left(end).split('\n');
    const QList<QByteArray> requestLine = lines.takeFirst().trimmed().split(' ');
    const QByteArray target = requestLine.value(1);
    m_forwarded.append(target);
    const QUrl url = QUrl::fromEncoded(target);
    QByteArray request = requestLine.value(0) + ' ' +
                         url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority) + " " +
                         requestLine.value(2) + "\r\n";
    for (const QByteArray &line : std::as_const(lines)) {
        const QByteArray lower = line.toLower();
        if (!lower.startsWith("connection:") && !lower.startsWith("proxy-connection:"))
            request += line.trimmed() + "\r\n";
    }
    request += "Connection: close\r\n\r\n";

    auto *server = new QTcpSocket(client);
    // The proxy's own way out is direct, whatever the test's proxy settings say.
    server->setProxy(QNetworkProxy::NoProxy);
    pipe(server, client);
    pipe(client, server);
    connect(server, &QTcpSocket::errorOccurred, client, &QTcpSocket::disconnectFromHost);
    server->connectToHost(url.host(), quint16(url.port(80)));
    server->write(request);
}

} // namespace testsupport
