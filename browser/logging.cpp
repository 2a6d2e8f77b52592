// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "browser/logging.h"

#include <QUrl>

#include <mutex>

namespace browser {

namespace {

thread_local const LinkLoggedAsLength *t_longLink = nullptr;
QtMessageHandler g_nextHandler = nullptr;

void logWithLinkShortened(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    g_nextHandler(type, context, t_longLink ? t_longLink->shortened(message) : message);
}

// Once for the process, in front of whichever handler is in place (a test's, or Qt's own). That
// one is set aside before ours goes in, so that ours always has it to pass messages on to.
void installHandler()
{
    static std::once_flag installed;
    std::call_once(installed, [] {
        g_nextHandler = qInstallMessageHandler(nullptr);
        qInstallMessageHandler(logWithLinkShortened);
    });
}

} // namespace

QString linkForLog(const QUrl &link)
{
    const QByteArray encoded = link.toEncoded();
    if (encoded.size() <= maxLoggedLinkBytes)
        return QString::fromLatin1(encoded);
    return QStringLiteral("[%1 link, %2 bytes]").arg(link.scheme()).arg(encoded.size());
}

LinkLoggedAsLength::LinkLoggedAsLength(const QUrl &link)
{
    const QByteArray encoded = link.toEncoded();
    if (encoded.size() <= maxLoggedLinkBytes)
        return;
    m_encoded = QString::fromLatin1(encoded);
    m_decoded = link.toString();
    m_local = QString::fromLocal8Bit(m_decoded.toLocal8Bit());
    m_length = linkForLog(link);
    installHandler();
    t_longLink = this;
}

LinkLoggedAsLength::~LinkLoggedAsLength()
{
    if (t_longLink == this)
        t_longLink = nullptr;
}

QString LinkLoggedAsLength::shortened(QString message) const
{
    return message.replace(m_encoded, m_length)
        .replace(m_decoded, m_length)
        .replace(m_local, m_length);
}

} // namespace browser
