// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include <QByteArrayList>
#include <QObject>
#include <QString>

class QTcpServer;
class QTcpSocket;

namespace testsupport {

// An HTTP proxy on loopback, as a company runs one: each request it gets, it sends on to the
// server it names and passes the answer back, byte for byte, one request per connection. It
// records what it was asked for.
class ForwardingProxy : public QObject
{
    Q_OBJECT

public:
    explicit ForwardingProxy(QObject *parent = nullptr);

    bool listen();
    // http://127.0.0.1:port, as http_proxy names it.
    QString address() const;

    // The targets of the requests forwarded, as they came: whole addresses.
    QByteArrayList forwarded() const { return m_forwarded; }

private:
    void accept();
    void readRequest(QTcpSocket *client);

    QTcpServer *m_server;
    QByteArrayList m_forwarded;
};

} // namespace testsupport
