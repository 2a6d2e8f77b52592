// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include "browser/browser.h"

#include <QPointer>

class QNetworkAccessManager;
class QNetworkReply;
class QUrl;

namespace browser {

// Where a navigation completes when it could not reach a page: the network failed, the redirects
// went nowhere sane, or the last answer was an HTTP error. Never the address that failed.
inline constexpr char16_t navigationFailedAddress[] = u"about:neterror";

// A presence check is a short chain of HTTP redirects ending at a picture: nothing is rendered and
// no script runs, so this browser only follows the chain and reports where it ended.
class NetworkNavigator final : public Browser
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NetworkNavigator)

public:
    // Browsers stop following a chain at 20 redirects; so do we.
    static constexpr int maxRedirects = 20;
    // What Qt reads of a reply's body ahead of the navigator, which never reads it: a navigation
    // ends with the status and headers of its last reply. The service's presence pictures are GIFs
    // of a few hundred bytes and its redirects carry a line of HTML at most; 64 KiB is also what
    // Qt reads from a connection at a time.
    static constexpr qint64 maxBodyBytes = 64 * 1024;

    explicit NetworkNavigator(QWidget *host);
    ~NetworkNavigator() override;

    void navigate(const QString &address) override;

    static Browser *create(QWidget *host) { return new NetworkNavigator(host); }

    // Every navigator of the process goes through the desktop's proxy settings, as the system's
    // browser control did. Called once, when the program starts.
    static void useDesktopProxies();

private:
    void request(const QUrl &url);
    void onResponse(QNetworkReply *reply);
    void onFinished(QNetworkReply *reply);
    void abandon();
    void complete(const QString &address);
    void failLater(const QString &reason, const QUrl &at);

    QNetworkAccessManager *m_manager;
    QPointer<QNetworkReply> m_reply;
    int m_redirects = 0;
    quint64 m_navigation = 0;
};

} // namespace browser
