// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>

namespace browser {

// The embedded browser control as the windows use it, and nothing more. A browser lives on its
// window's host widget (the window's `WebBrowser1`), is owned by it and dies with it.
class Browser : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Browser)

public:
    explicit Browser(QWidget *host);
    ~Browser() override;

    // Returns at once; navigateComplete() follows later from the event loop. A new navigation
    // abandons the one under way, so only the newest one completes.
    virtual void navigate(const QString &address) = 0;

    // Whether the window host shows the control: the host widget's own flag, which stays set
    // while the control sits outside the window's client area or the window is still hidden.
    bool isHostVisible() const;

signals:
    // The address at which the navigation finally ended, after any redirects.
    void navigateComplete(const QString &address);

protected:
    QWidget *host() const { return m_host; }

private:
    QPointer<QWidget> m_host;
};

// The request a browser sends for an address typed into its address bar, as the URL Standard's
// basic URL parser makes it for an http or https address: the blanks and controls at either end
// and every tab and line break are dropped, the fragment is cut off, the path and the query are
// percent-encoded as UTF-8 (a lone UTF-16 surrogate as U+FFFD), and every '%' stays as it stands.
// Qt's network and web engine both write the URL's fully encoded form onto the wire, in which Qt
// changes bytes but never what they decode to: hex digits in upper case, escapes of unreserved
// characters decoded, a few more characters escaped, and a lone '%', which a QUrl cannot hold
// beside valid escapes, as "%25".
// Any other address gives an invalid URL: a browser would not request it over HTTP.
QUrl toRequestUrl(const QString &address);

// Makes the browser for a window's host widget; the host takes ownership.
using Factory = std::function<Browser *(QWidget *host)>;

} // namespace browser
