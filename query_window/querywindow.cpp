// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "query_window/querywindow.h"

#include "accessibility/accessibility.h"
#include "app/appinfo.h"
#include "browser/desktop.h"
#include "chat_window/chatwindow.h"
#include "design_text/designtext.h"
#include "resources/pictures.h"
#include "ui_querywindow.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTimer>
#include <QUrl>

#include <cmath>
#include <utility>

namespace query_window {
namespace {

// A number needs this many UTF-16 code units before it can be queried or chatted with.
constexpr qsizetype minimumNumberLength = 5;
// QQ numbers have up to this many digits, and the number box shows them all.
constexpr int longestNumber = 10;
// QLineEdit keeps this much clear on either side of its text.
constexpr int lineEditTextMargin = 2;

// The original platform's font put ten digits into the number box. Where the desktop's font has
// wider digits, the number box condenses it as little as it must.
void fitLongestNumber(QComboBox *combo)
{
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = true;
    option.frame = combo->hasFrame();
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                       QStyle::SC_ComboBoxEditField, combo);
    const qreal room = field.width() - 2 * lineEditTextMargin;

    // Condensing scales every advance alike, so the stretch follows from the natural width alone.
    QLineEdit *edit = combo->lineEdit();
    QFont font = edit->font();
    const QFontMetricsF metrics(font);
    qreal widest = 0;
    for (char16_t digit = u'0'; digit <= u'9'; ++digit)
        widest = std::max(widest, metrics.horizontalAdvance(QString(longestNumber, digit)));
    if (widest <= room)
        return;
    font.setStretch(int(std::floor(100 * room / widest)));
    edit->setFont(font);
}

} // namespace

QueryWindow::QueryWindow(endpoints::Endpoints endpoints, browser::Factory makeBrowser,
                         browser::Factory makeChatBrowser, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_ui(std::make_unique<Ui::QueryWindow>()), m_endpoints(std::move(endpoints)),
      m_makeChatBrowser(std::move(makeChatBrowser))
{
    m_ui->setupUi(this);
    // For a screen reader: a window, without the banner's decorations, whose status text is
    // spoken whenever it changes, wherever the focus is.
    accessibility::setRole(this, QAccessible::Window);
    accessibility::leaveOut(m_ui->Image1);
    accessibility::leaveOut(m_ui->Image2);
    m_statusAnnouncer = new accessibility::Announcer(m_ui->Label3);
    setFont(design_text::designFont());
    // A condensed font is a font of its own to look up and load, which can wait until the window
    // is up: nobody types into the number box before that.
    QTimer::singleShot(0, m_ui->Combo1, [combo = m_ui->Combo1] { fitLongestNumber(combo); });
    setWindowTitle(QString::fromUtf16(appinfo::displayName));
    setFixedSize(size());
    showPicturesSharp();
    m_browser = makeBrowser(m_ui->WebBrowser1);

    // What is typed is exactly what is queried: no completion from the history.
    m_ui->Combo1->setCompleter(nullptr);
    m_ui->Combo1->setFocus();

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    move(screen.center() - rect().center());

    // Every change of the text, whether edited or picked from the history, keeps the buttons
    // in step with it.
    connect(m_ui->Combo1, &QComboBox::editTextChanged, this, &QueryWindow::applyEnablementRule);
    connect(m_ui->Command1, &QPushButton::clicked, this, &QueryWindow::startPresenceQuery);
    connect(m_browser, &browser::Browser::navigateComplete, this, &QueryWindow::showPresence);
    connect(m_ui->Command3, &QPushButton::clicked, this, &QueryWindow::startChat);
    connect(m_ui->Command4, &QPushButton::clicked, this, &QueryWindow::openHomePage);
    connect(m_ui->Command2, &QPushButton::clicked, this, &QueryWindow::exitProgram);
}

QueryWindow::~QueryWindow()
{
    // A notice still up goes with this window, which must not come back for it.
    if (m_chat)
        disconnect(m_chat, nullptr, this, nullptr);
    delete m_chat;
}

// Enter in the number box presses the query button. Every button is auto-default and takes Enter
// itself when it has the focus, so Enter presses the focused button and only the number box's
// Enter comes here.
void QueryWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (m_ui->Command1->isEnabled())
        m_ui->Command1->click();
}

// The design holds each picture's 1x drawing, which a denser screen would show enlarged and
// blurred; there each control gets the picture's finer drawing instead, made for the screen the
// window opens on.
void QueryWindow::showPicturesSharp()
{
    const qreal ratio = devicePixelRatioF();
    if (ratio <= 1.0)
        return;
    const std::pair<QWidget *, const char *> controls[] = {
        {m_ui->Image1, ":/images/banner.jpg"},     {m_ui->Image2, ":/images/flower.gif"},
        {m_ui->Image3, ":/images/online.bmp"},     {m_ui->Image4, ":/images/offline.bmp"},
        {m_ui->Command1, ":/images/query.gif"},    {m_ui->Command3, ":/images/chat.gif"},
        {m_ui->Command4, ":/images/homepage.gif"}, {m_ui->Command2, ":/images/exit.gif"},
    };
    for (const auto &[control, path] : controls) {
        const QPixmap sharp = pictures::forDevicePixelRatio(QString::fromLatin1(path), ratio);
        if (auto *image = qobject_cast<QLabel *>(control))
            image->setPixmap(sharp);
        else
            static_cast<QPushButton *>(control)->setIcon(QIcon(sharp));
    }
}

void QueryWindow::applyEnablementRule()
{
    const bool longEnough = m_ui->Combo1->currentText().size() >= minimumNumberLength;
    m_ui->Command1->setEnabled(longEnough);
    m_ui->Command3->setEnabled(longEnough);
}

void QueryWindow::startPresenceQuery()
{
    m_browser->navigate(m_endpoints.presenceImageAddress(m_ui->Combo1->currentText()));
    showStatus(QStringLiteral("正在检查..."));
    m_ui->Combo1->addItem(m_ui->Combo1->currentText());
}

void QueryWindow::showPresence(const QString &completedAddress)
{
    switch (m_endpoints.classify(completedAddress)) {
    case endpoints::Presence::Ignored:
        return;
    case endpoints::Presence::Online:
        m_ui->Image3->show();
        m_ui->Image4->hide();
        showStatus(QStringLiteral("对方在线"));
        return;
    case endpoints::Presence::Offline:
        m_ui->Image3->hide();
        m_ui->Image4->show();
        showStatus(QStringLiteral("对方不在线"));
        return;
    }
}

void QueryWindow::showStatus(const QString &text)
{
    m_ui->Label3->setText(text);
    m_statusAnnouncer->announce(text);
}

void QueryWindow::startChat()
{
    hide();
    if (!m_chat) {
        m_chat = new chat_window::ChatWindow(m_makeChatBrowser);
        connect(m_chat, &chat_window::ChatWindow::finished, this, &QueryWindow::returnFromChat);
    }
    m_chat->show();
    m_chat->navigate(m_endpoints.chatHandoffAddress(m_ui->Combo1->currentText()));
}

// A finished notice only waits for its deferred delete and is never shown again: the next chat
// loads a fresh one, however soon it comes.
void QueryWindow::returnFromChat()
{
    m_chat = nullptr;
    show();
}

void QueryWindow::openHomePage()
{
    browser::openOnDesktop(QUrl(m_endpoints.homePageAddress()));
}

// Ends the program at once: no confirmation, and no window gets to handle its closing.
void QueryWindow::exitProgram()
{
    QCoreApplication::exit(0);
}

} // namespace query_window
