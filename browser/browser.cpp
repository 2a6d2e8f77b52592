#include "browser.h"

namespace browser {

Browser::Browser(QWidget *host) : QObject(host), m_host(host) {}

Browser::~Browser() = default;

bool Browser::isHostVisible() const
{
    return m_host && !m_host->isHidden();
}

} // namespace browser
