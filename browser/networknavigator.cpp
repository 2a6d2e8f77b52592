// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "browser/networknavigator.h"

#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace browser {
namespace {

bool isWebAddress(const QUrl &url)
{
    return url.isValid() && !url.host().isEmpty() &&
           (url.scheme() == u"http" || url.scheme() == u"https");
}

// Deleting a manager stops its network thread and waits for it: up to 5 s, after which Qt lets
// the thread end on its own. A thread busy with a reply may take all of that, so the wait happens
// on a short-lived thread of its own and never on the UI thread.
void retire(QNetworkAccessManager *manager)
{
    QThread *deleter = QThread::create([manager] { delete manager; });
    manager->moveToThread(deleter);
    QObject::connect(deleter, &QThread::finished, deleter, &QObject::deleteLater);
    deleter->start();
}

} // namespace

NetworkNavigator::NetworkNavigator(QWidget *host) : Browser(host), m_manager(newManager()) {}

// Qt keeps this choice for the whole process, and its own lookup knows that loopback needs no
// proxy.
void NetworkNavigator::useDesktopProxies()
{
    QNetworkProxyFactory::setUseSystemConfiguration(true);
}

NetworkNavigator::~NetworkNavigator()
{
    abandon();
    if (managerBusy())
        retire(m_manager);
    else
        delete m_manager;
}

// No cache and an in-memory cookie jar are a manager's defaults: nothing reaches the disk. It
// has no parent, so that it can move to the thread that deletes it.
QNetworkAccessManager *NetworkNavigator::newManager()
{
    auto *manager = new QNetworkAccessManager;
    // A reply the navigator has let go of runs on until it finishes, and then goes.
    manager->setAutoDeleteReplies(true);
    return manager;
}

// A reply under way, or one let go of before its body had all arrived.
bool NetworkNavigator::managerBusy() const
{
    const QList<QNetworkReply *> replies =
        m_manager->findChildren<QNetworkReply *>(Qt::FindDirectChildrenOnly);
    return std::any_of(replies.cbegin(), replies.cend(),
                       [](const QNetworkReply *reply) { return !reply->isFinished(); });
}

void NetworkNavigator::navigate(const QString &address)
{
    abandon();
    // Qt gives each manager one network thread, and that thread does not come back to its event
    // loop while a response header or a chunk-size line is still arriving as fast as it reads it,
    // one byte per read() call: about 25 s for 16 MB. Anything queued to it waits that long, a new
    // request included. So a manager with a reply still running retires, and a fresh one serves
    // the new navigation.
    if (managerBusy()) {
        retire(m_manager);
        m_manager = newManager();
    }
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

// The reply runs on unheard until it finishes, and its manager deletes it then. It is not aborted:
// abort() records an error of its own, and the error the network may already have queued for the
// reply (an HTTP error status, a reset) then arrives as a second one, which Qt reports as an
// internal problem.
void NetworkNavigator::abandon()
{
    if (!m_reply)
        return;
    m_reply->disconnect(this);
    m_reply = nullptr;
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
