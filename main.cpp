// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "appinfo.h"
#include "endpoints.h"
#include "handoffbrowser.h"
#include "networknavigator.h"
#include "querywindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tolvane-qq-status"));
    QApplication::setApplicationDisplayName(QString::fromUtf16(appinfo::displayName));
    QApplication::setApplicationVersion(QString::fromLatin1(appinfo::versionText));
    QApplication::setDesktopFileName(QStringLiteral("tolvane-qq-status"));

    const endpoints::Endpoints endpoints = endpoints::Endpoints::builtIn();
    query_window::QueryWindow window(endpoints, &browser::NetworkNavigator::create,
                                     browser::HandoffBrowser::factory(endpoints.imClientScheme));
    window.show();
    return app.exec();
}
