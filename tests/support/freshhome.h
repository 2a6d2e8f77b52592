// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>

namespace testsupport {

// An empty home of the test's own: HOME and the XDG base folders of this process, and so of
// everything it starts, point into it, so that nothing of the user's is read or touched, and
// whatever the program writes there shows.
class FreshHome
{
    Q_DISABLE_COPY_MOVE(FreshHome)

public:
    FreshHome() = default;

    // Points the environment here; false when the folder could not be made.
    bool enter();
    QString path() const { return m_dir.path(); }
    // Everything that has appeared in it, hidden files and all, at any depth.
    QStringList contents() const;

private:
    QTemporaryDir m_dir;
};

// The environment to start the app in: headless, with `home` as its home.
QProcessEnvironment headlessEnvironment(const QString &home);

} // namespace testsupport
