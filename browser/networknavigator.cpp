// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "browser/networknavigator.h"

#include "browser/requesturl.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace browser {
namespace {

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
// takes half a second, and an abandoned reply ends at once.
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
    QNetworkProxyFactory::setUseSystemConfiguration(true);
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
        failLater();
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
        if (isWebAddress(next) && m_redirects < maxRedirects) {
            ++m_redirects;
            request(next);
        } else {
            failLater();
        }
    } else if (code >= 200 && code < 300) {
        complete(at.toString());
    } else {
        failLater();
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
    abandon();
    failLater();
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
// the event loop, like every completion, and only if no newer navigation has started meanwhile.
void NetworkNavigator::failLater()
{
    QTimer::singleShot(0, this, [this, navigation = m_navigation] {
        if (navigation == m_navigation)
            complete(QString::fromUtf16(navigationFailedAddress));
    });
}

} // namespace browser
