// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "app/appinfo.h"
#include "app/platformchoice.h"
#include "browser/handoffbrowser.h"
#include "browser/networknavigator.h"
#include "endpoints/endpoints.h"
#include "query_window/querywindow.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // Qt reads its platform from the environment while QApplication is constructed. The choice is
    // made for this process only: the variable is set just for that moment, so that programs
    // started from the app (the desktop's browser, the IM client) choose their own.
    const QByteArray platform =
        platform_choice::preferredPlatform(platform_choice::currentEnvironment());
    if (!platform.isEmpty())
        qputenv("QT_QPA_PLATFORM", platform);
    QApplication app(argc, argv);
    if (!platform.isEmpty())
        qunsetenv("QT_QPA_PLATFORM");
    browser::NetworkNavigator::useDesktopProxies();

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
