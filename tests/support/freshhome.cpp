// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "tests/support/freshhome.h"

#include <QDir>
#include <QDirIterator>

namespace testsupport {

bool FreshHome::enter()
{
    if (!m_dir.isValid())
        return false;
    const QByteArray home = m_dir.path().toLocal8Bit();
    qputenv("HOME", home);
    for (const char *xdg : {"XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME",
                            "XDG_RUNTIME_DIR"})
        qputenv(xdg, home);
    return true;
}

QStringList FreshHome::contents() const
{
    QStringList found;
    QDirIterator it(path(), QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        found << it.next();
    return found;
}

QProcessEnvironment headlessEnvironment(const QString &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

} // namespace testsupport
