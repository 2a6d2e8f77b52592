// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "browser/desktop.h"

#include "browser/logging.h"

#include <QDesktopServices>
#include <QUrl>

#ifdef Q_OS_WIN
#include <QThread>
#endif

namespace browser {
namespace {

void open(const QUrl &address, const Refusal &refused)
{
    const LinkLoggedAsLength inLog(address);
    if (!QDesktopServices::openUrl(address) && refused)
        refused(address);
}

} // namespace

void openOnDesktop(const QUrl &address, const Refusal &refused)
{
#ifdef Q_OS_WIN
    // The Windows shell call waits for the handler to start; keep that off the UI thread.
    QThread *thread = QThread::create([address, refused] { open(address, refused); });
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
#else
    // Elsewhere Qt starts the desktop's opener detached and returns at once.
    open(address, refused);
#endif
}

} // namespace browser
