// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "browser/browser.h"

namespace browser {

Browser::Browser(QWidget *host) : QObject(host), m_host(host) {}

Browser::~Browser() = default;

bool Browser::isHostVisible() const
{
    return m_host && !m_host->isHidden();
}

} // namespace browser
