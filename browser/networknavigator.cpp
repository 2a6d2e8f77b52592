// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "browser/networknavigator.h"

#include "browser/logging.h"
#include "browser/requesturl.h"

#include <QLoggingCategory>
#include <QMetaEnum>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace browser {
namespace {

// Why a check ended where it did, which the window cannot show: a refused connection, an HTTP
// error and a redirect loop all read as offline there. Debug output, off unless asked for
// (QT_LOGGING_RULES="tolvane.presence.debug=true").
Q_LOGGING_CATEGORY(log, "tolvane.presence", QtWarningMsg)

// The network's reason: the two a user meets most in words, any other by Qt's name for it.
QString networkErrorForLog(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError:
        return QStringLiteral("connection refused");
    case QNetworkReply::TimeoutError:
        return QStringLiteral("timed out");
    default:
        return QStringLiteral("network error ") +
               QString::fromLatin1(
                   QMetaEnum::fromType<QNetworkReply::NetworkError>().valueToKey(error));
    }
}

bool isWebAddress(const QUrl &url)
{
    return url.isValid() && !url.host().isEmpty() &&
           (url.scheme() == u"http" || url.scheme() == u"https");
}

// Where the desktop's proxy settings say to go direct, the manager is told to use the
// application's choice (DefaultProxy) instead, which its connections resolve to going direct all
// the same. Only how Qt reads them differs. With no proxy at all it reads a connection unbuffered,
// a response header one byte per read() call, and its network thread does not come back to its
// event loop until the header ends: everything queued to that thread waits, the abandoning of a
// reply and the next query's request too, about 25 s behind a 16 MB header sent at full speed.
// Through the socket's 64 KiB buffer the thread comes back after each buffer, the same header
// takes half a second, and an abandoned reply ends at once. DesktopProxies below makes the
// application's choice go direct wherever this one does.
class BufferedDirectConnections final : public QNetworkProxyFactory
{
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override
    {
        QList<QNetworkProxy> proxies = proxyForQuery(query);
        for (QNetworkProxy &proxy : proxies) {
            if (proxy.type() == QNetworkProxy::NoProxy)
                proxy = QNetworkProxy(QNetworkProxy::DefaultProxy);
        }
        return proxies;
    }
};

// The desktop's proxy settings as Qt reads them (http_proxy and no_proxy from the environment, the
// desktop's own settings through libproxy, the system's on Windows and macOS), with one answer
// changed. A connection that BufferedDirectConnections sends direct asks these settings twice.
// First for its own host and port, which they send direct as they did its address. Then, before
// it connects to anything but loopback, Qt's native socket checks the application's proxy, which
// it asks for as a connection to no host at all. No bypass can name no host, so the settings
// answer with the proxy for everything, which a direct socket cannot use, and Qt failed the check
// (UnknownNetworkError) before it reached anybody. A connection to no host goes direct here.
class DesktopProxies final : public QNetworkProxyFactory
{
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery &query) override
    {
        if (query.queryType() == QNetworkProxyQuery::TcpSocket && query.peerHostName().isEmpty())
            return {QNetworkProxy(QNetworkProxy::NoProxy)};
        return systemProxyForQuery(query);
    }
};

} // namespace

NetworkNavigator::NetworkNavigator(QWidget *host)
    : Browser(host), m_manager(new QNetworkAccessManager(this))
{
    // No cache and an in-memory cookie jar are the manager's defaults: nothing reaches the disk.
    m_manager->setAutoDeleteReplies(false);
    m_manager->setProxyFactory(new BufferedDirectConnections);
}

// Qt keeps this choice for the whole process, and its own lookup knows that loopback needs no
// proxy.
void NetworkNavigator::useDesktopProxies()
{
    QNetworkProxyFactory::setApplicationProxyFactory(new DesktopProxies);
}

NetworkNavigator::~NetworkNavigator()
{
    abandon();
}

void NetworkNavigator::navigate(const QString &address)
{
    abandon();
    ++m_navigation;
    m_redirects = 0;
    const QUrl url = toRequestUrl(address);
    if (isWebAddress(url))
        request(url);
    else
        failLater(QStringLiteral("not a web address"), QUrl(address));
}

void NetworkNavigator::request(const QUrl &url)
{
    QNetworkRequest request(url);
    // Redirects are followed here, one request per hop: Qt's own policies may send a hop twice.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);

    QNetworkReply *reply = m_manager->get(request);
    reply->setReadBufferSize(maxBodyBytes);
    m_reply = reply;
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] { onResponse(reply); });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onFinished(reply); });
}

// The status line and headers are all a presence check needs; the body is never read.
void NetworkNavigator::onResponse(QNetworkReply *reply)
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return;

    const int code = status.toInt();
    const QUrl at = reply->url();
    const QUrl target = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    abandon();

    if (code >= 300 && code < 400 && target.isValid()) {
        const QUrl next = at.resolved(target);
        if (!isWebAddress(next)) {
            failLater(QStringLiteral("redirect to a non-web address"), next);
        } else if (m_redirects >= maxRedirects) {
            failLater(QStringLiteral("more than %1 redirects").arg(maxRedirects), at);
        } else {
            ++m_redirects;
            request(next);
        }
    } else if (code >= 200 && code < 300) {
        qCDebug(log).noquote() << "ended at" << linkForLog(at)
                               << QStringLiteral("(HTTP %1)").arg(code);
        complete(at.toString());
    } else {
        failLater(QStringLiteral("HTTP %1").arg(code), at);
    }
}

void NetworkNavigator::onFinished(QNetworkReply *reply)
{
    if (reply != m_reply)
        return;
    if (reply->error() == QNetworkReply::NoError &&
        reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid()) {
        onResponse(reply);
        return;
    }
    const QNetworkReply::NetworkError error = reply->error();
    const QUrl at = reply->url();
    abandon();
    failLater(networkErrorForLog(error), at);
}

void NetworkNavigator::abandon()
{
    // Deleting a reply ends its request quietly. abort() would not: it records an error of its
    // own, and the error the network may already have queued for the reply (an HTTP error
    // status, a reset) then arrives as a second one, which Qt reports as an internal problem.
    if (QNetworkReply *reply = letGo(m_reply))
        reply->deleteLater();
}

void NetworkNavigator::complete(const QString &address)
{
    emit navigateComplete(address);
}

// Failures found while navigate() or a reply's signal is still on the stack are reported from
// the event loop, like every completion, and only if no newer navigation has started meanwhile;
// only then is the reason logged, with the address it was found at.
void NetworkNavigator::failLater(const QString &reason, const QUrl &at)
{
    QTimer::singleShot(0, this, [this, navigation = m_navigation, reason, at] {
        if (navigation != m_navigation)
            return;
        qCDebug(log).noquote().nospace() << "failed (" << reason << "): " << linkForLog(at);
        complete(QString::fromUtf16(navigationFailedAddress));
    });
}

} // namespace browser
