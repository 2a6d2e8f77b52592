// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>

#include <functional>

class QHostAddress;
class QTcpServer;
class QTcpSocket;

namespace testsupport {

struct Request
{
    QByteArray method;
    QByteArray target; // as it came on the request line, percent escapes and all
    QByteArray host;   // the Host header
    QByteArray path() const
    {
        return target.first(target.contains('?') ? target.indexOf('?') : target.size());
    }
};

struct Response
{
    int status = 200;
    QByteArray contentType = "text/plain";
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
    int delayMs = 0;
    bool hang = false;  // never answer, keep the connection open
    bool reset = false; // close the connection without an answer
    QByteArray raw;     // sent as it stands instead of a composed answer
    bool resetAfterRaw = false;
    int dripMs = 0;          // sends the answer a byte at a time, this far apart
    bool unfinished = false; // a composed body has no length; the connection stays open after it

    static Response redirect(const QByteArray &location, int status = 302);
    static Response html(const QByteArray &body);
    static Response gif();
};

// A small HTTP/1.1 service on loopback, answering each request from a table of targets and
// recording what it was asked. It closes each connection after one answer unless kept alive.
class FakeService : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<Response(const Request &)>;

    explicit FakeService(QObject *parent = nullptr);
    ~FakeService() override;

    // 0: any free port; on loopback unless an address is given.
    bool listen(quint16 port = 0);
    bool listen(quint16 port, const QHostAddress &address);
    quint16 port() const;
    QString host() const;                           // address:port, 127.0.0.1:port on loopback
    QByteArray url(const QByteArray &target) const; // "http://" + host() + target

    // Answers a request whose whole target, or else whose path, is `target`.
    void on(const QByteArray &target, const Response &response);
    // Answers whatever the table does not know (404 by default).
    void setFallback(Handler handler);
    // Keeps connections open for the next request, as any HTTP/1.1 server does, until the client
    // asks to close.
    void setKeepAlive(bool keepAlive) { m_keepAlive = keepAlive; }
    // Every answer waits this much longer, as a distant server's would.
    void setDelay(int ms) { m_delayMs = ms; }

    QList<Request> requests() const { return m_requests; }
    int requestCount(const QByteArray &target) const;
    void clearRequests() { m_requests.clear(); }

    // A loopback port nobody listens on.
    static quint16 closedPort();

private:
    void accept();
    void read(QTcpSocket *socket);
    // False when the connection is done with: closed, or left hanging.
    bool respond(QTcpSocket *socket, const Response &response, bool close);
    void answer(QTcpSocket *socket, const Response &response, bool close);
    void drip(QTcpSocket *socket, QByteArray rest, int everyMs, bool resetAtEnd);

    QTcpServer *m_server;
    QHash<QByteArray, Response> m_table;
    Handler m_fallback;
    QList<Request> m_requests;
    QHash<QTcpSocket *, QByteArray> m_pending;
    bool m_keepAlive = false;
    int m_delayMs = 0;
};

} // namespace testsupport
