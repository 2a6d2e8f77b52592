// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "chat_window/chatwindow.h"

#include "accessibility/accessibility.h"
#include "app/appinfo.h"
#include "design_text/designtext.h"
#include "ui_chatwindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include <algorithm>

namespace chat_window {

ChatWindow::ChatWindow(const browser::Factory &makeBrowser, QWidget *parent)
    : QWidget(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_ui(std::make_unique<Ui::ChatWindow>()), m_timer(new QTimer(this))
{
    m_ui->setupUi(this);
    // A screen reader tells the notice from the main window by its role, and reads its text out.
    accessibility::setRole(this, QAccessible::AlertMessage);
    accessibility::readOutWhenShown(this, m_ui->Label1);
    setFont(design_text::designFont());
    // The notice's second line may need a few pixels more than its design height; it grows
    // downwards, inside the window.
    design_text::Label *notice = m_ui->Label1;
    notice->resize(notice->width(),
                   std::min(notice->fittingHeight(), height() - notice->geometry().top()));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QString::fromUtf16(appinfo::displayName));
    setFixedSize(size());
    m_browser = makeBrowser(m_ui->WebBrowser1);

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    move(screen.center() - rect().center());

    // The poll runs from the moment the window exists, before anything is navigated; the
    // browser reads as shown until it is done, so early ticks change nothing.
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(pollIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &ChatWindow::pollBrowser);
    m_timer->start();
}

// Destroyed while still up (its owner went, or someone deleted it): the caller still gets its cue.
ChatWindow::~ChatWindow()
{
    finish();
}

void ChatWindow::navigate(const QString &address)
{
    m_browser->navigate(address);
}

void ChatWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    finish();
}

void ChatWindow::pollBrowser()
{
    if (!m_browser->isHostVisible())
        close();
}

void ChatWindow::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    m_timer->stop();
    emit finished();
}

} // namespace chat_window
