// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include "browser/browser.h"
#include "endpoints/endpoints.h"

#include <QPointer>
#include <QWidget>

#include <memory>

namespace Ui {
class QueryWindow;
}

namespace accessibility {
class Announcer;
}

namespace chat_window {
class ChatWindow;
}

namespace query_window {

// The main window: the number box, the four commands and the presence result.
class QueryWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QueryWindow)

public:
    // makeBrowser gives this window its browser; makeChatBrowser gives one to each chat window.
    QueryWindow(endpoints::Endpoints endpoints, browser::Factory makeBrowser,
                browser::Factory makeChatBrowser, QWidget *parent = nullptr);
    ~QueryWindow() override;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showPicturesSharp();
    void applyEnablementRule();
    void startPresenceQuery();
    void showPresence(const QString &completedAddress);
    void showStatus(const QString &text);
    void startChat();
    void returnFromChat();
    void openHomePage();
    void exitProgram();

    std::unique_ptr<Ui::QueryWindow> m_ui;
    endpoints::Endpoints m_endpoints;
    browser::Browser *m_browser;
    accessibility::Announcer *m_statusAnnouncer;
    browser::Factory m_makeChatBrowser;
    // The notice of the hand-off under way; empty again as soon as that notice has finished.
    QPointer<chat_window::ChatWindow> m_chat;
};

} // namespace query_window
