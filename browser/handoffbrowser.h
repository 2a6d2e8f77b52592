// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include "browser/browser.h"

#include <QPointer>
#include <QProcess>
#include <QTimer>
#include <QUrl>

namespace handoff::protocol {
struct Line;
}

namespace browser {

// The chat window's browser. The service's hand-off page needs a real web engine, which runs in a
// helper process of ours for each hand-off, so the app itself never carries the engine and all of
// its memory leaves with the helper. The helper reports, one line at a time, what the page does
// (handoff/protocol.h): it navigated on its own, it came to rest, it failed, or it produced a link
// of the IM client's scheme.
// Until the page has loaded, any failure of our engine (the helper is not installed or cannot
// start, it ends for whatever reason, its engine could not start or its renderer ended) hands the
// hand-off page to the desktop's default browser instead, once, which passes the page's link on as
// it does for any chat link on the web; the log says why. Once the page has loaded, it had its
// chance, and a failure ends the hand-off quietly, so a chat can never be started twice.
// The host widget is hidden, and so the hand-off ends, once a link or the page has gone to the
// desktop (whether the desktop took it or refused it; a refusal is logged under tolvane.handoff),
// the page failed, the helper died, the page sat idle after loading, or at the latest a while
// after navigate(). Each navigate() starts that count afresh.
class HandoffBrowser final : public Browser
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HandoffBrowser)

public:
    static constexpr int idleAfterLoadMs = 5000;
    static constexpr int deadlineMs = 30000;

    // helperPath empty: the helper installed beside the app (see locateHelper()).
    HandoffBrowser(QWidget *host, QString imClientScheme, QString helperPath = {});
    ~HandoffBrowser() override;

    void navigate(const QString &address) override;

    static Factory factory(const QString &imClientScheme, const QString &helperPath = {});

    // Next to the executable (the build tree), or in the helper's installed folder; where neither
    // has it, its path in the installed folder.
    static QString locateHelper();

private:
    void startHelper();
    void readHelper();
    void handleLine(const handoff::protocol::Line &line);
    void handOff(const QString &link);
    void helperNotStarted(const QString &error);
    void helperEnded(int exitCode, QProcess::ExitStatus status);
    void engineFailed(const QString &why);
    void handPageToDesktop();
    void finish();
    void stopHelper();

    QString m_imClientScheme;
    QString m_helperPath;
    QPointer<QProcess> m_helper;
    // A helper killed to make room for this browser's, which starts once that one has ended.
    QPointer<QProcess> m_awaited;
    QTimer m_idle;
    QTimer m_deadline;
    // The hand-off page's address, the very bytes the helper is asked for.
    QUrl m_page;
    bool m_pageLoaded = false;
    bool m_handedOff = false;
};

} // namespace browser
