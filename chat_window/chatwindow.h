// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include "browser/browser.h"

#include <QWidget>

#include <memory>

class QTimer;

namespace Ui {
class ChatWindow;
}

namespace chat_window {

// Stands in for the query window while the service's chat hand-off page is handled, and closes
// itself once its browser is no longer shown. It destroys itself on closing: every chat starts
// from a fresh window, and one that has finished is never shown again.
class ChatWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChatWindow)

public:
    // The design's 1 ms poll, held to the 10 ms that the original platform's timers deliver at
    // best, so that waiting does not burn a core.
    static constexpr int pollIntervalMs = 10;

    explicit ChatWindow(const browser::Factory &makeBrowser, QWidget *parent = nullptr);
    ~ChatWindow() override;

    void navigate(const QString &address);

signals:
    // Emitted exactly once, when the window closes (by itself or through its frame) or, should it
    // be destroyed without closing, from its destruction: the caller's cue to come back.
    void finished();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void pollBrowser();
    void finish();

    std::unique_ptr<Ui::ChatWindow> m_ui;
    browser::Browser *m_browser;
    QTimer *m_timer;
    bool m_finished = false;
};

} // namespace chat_window
