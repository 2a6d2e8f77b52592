// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include <QWebEnginePage>

namespace handoff {

// The service's chat hand-off page, loaded where nobody sees it. The page may move on to other web
// pages; the one thing it may hand out is a link of the IM client's scheme, which is reported and
// never loaded. Nothing else leaves the page: no other scheme, no window, no download, no
// permission.
class HandoffPage final : public QWebEnginePage
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HandoffPage)

public:
    HandoffPage(QWebEngineProfile *profile, QString imClientScheme, QObject *parent = nullptr);

signals:
    // The page started a main-frame navigation to a web page of its own accord.
    void navigating(const QUrl &url);
    // The page came to rest: its load, or a later one, ended.
    void loaded(const QUrl &url);
    // The page asked for this link of the IM client's scheme, in its main frame.
    void linkProduced(const QUrl &url);
    // The engine runs: the hand-off page has come up in a renderer.
    void engineStarted();
    // The hand-off page itself could not be loaded, or its renderer ended after it had loaded.
    void failed();
    // The renderer ended before the hand-off page had loaded, however far it had got: it could not
    // run, crashed, or was killed.
    void engineFailed();

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;

private:
    void onLoadingChanged(const QWebEngineLoadingInfo &info);
    void onUrlChanged();
    void onRendererEnded();

    QString m_imClientScheme;
    bool m_settled = false;
    bool m_engineStarted = false;
};

} // namespace handoff
