// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "desktop.h"

#include <QDesktopServices>
#include <QUrl>

#ifdef Q_OS_WIN
#include <QThread>
#endif

namespace browser {

void openOnDesktop(const QUrl &address)
{
#ifdef Q_OS_WIN
    // The Windows shell call waits for the handler to start; keep that off the UI thread.
    QThread *thread = QThread::create([address] { QDesktopServices::openUrl(address); });
    QObject::connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
#else
    // Elsewhere Qt starts the desktop's opener detached and returns at once.
    QDesktopServices::openUrl(address);
#endif
}

} // namespace browser
