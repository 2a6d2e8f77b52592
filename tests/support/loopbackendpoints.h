// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include "endpoints/endpoints.h"

namespace testsupport {

// The service's hosts on loopback ports where nothing answers unless a test puts a service there,
// and "imclient" as the IM client's scheme.
inline endpoints::Endpoints
loopbackEndpoints(const QString &presenceHost = QStringLiteral("127.0.0.1:1"),
                  const QString &logoHost = QStringLiteral("127.0.0.1:2"),
                  const QString &homePageHost = QStringLiteral("127.0.0.1:3"))
{
    return {presenceHost, logoHost, homePageHost, QStringLiteral("imclient")};
}

} // namespace testsupport
