// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "browser.h"

namespace browser {

Browser::Browser(QWidget *host) : QObject(host), m_host(host) {}

Browser::~Browser() = default;

QUrl toUrl(const QString &address)
{
    QString text = address;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    return QUrl(text);
}

bool Browser::isHostVisible() const
{
    return m_host && !m_host->isHidden();
}

} // namespace browser
