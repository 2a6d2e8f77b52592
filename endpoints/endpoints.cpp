// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "endpoints/endpoints.h"

#include "endpoints/builtin.h"

namespace endpoints {

Endpoints Endpoints::builtIn()
{
    return {QString::fromUtf16(builtin::presenceHost), QString::fromUtf16(builtin::logoHost),
            QString::fromUtf16(builtin::homePageHost), QString::fromUtf16(builtin::imClientScheme)};
}

QString Endpoints::presenceImageAddress(const QString &number) const
{
    return QStringLiteral("http://") + presenceHost + QStringLiteral("/pa?p=1:") + number +
           QStringLiteral(":1");
}

QString Endpoints::chatHandoffAddress(const QString &number) const
{
    return QStringLiteral("http://") + presenceHost + QStringLiteral("/msgrd?V=1&Uin=") + number;
}

QString Endpoints::onlineImageAddress() const
{
    return QStringLiteral("http://") + logoHost + QStringLiteral("/qq_online.gif");
}

QString Endpoints::homePageAddress() const
{
    return QStringLiteral("http://") + homePageHost;
}

Presence Endpoints::classify(const QString &completedAddress) const
{
    if (completedAddress == QStringView(initialLocation))
        return Presence::Ignored;
    return completedAddress == onlineImageAddress() ? Presence::Online : Presence::Offline;
}

} // namespace endpoints
