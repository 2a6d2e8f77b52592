// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include <QString>

namespace endpoints {

// Where the browser controls start, before anything was asked of them.
inline constexpr char16_t initialLocation[] = u"http:///";

// What a completed navigation of the presence picture says about the number.
enum class Presence
{
    Ignored, // the browser only reported its initial location
    Online,
    Offline,
};

// Every address the program builds or compares. The number goes in exactly as typed: no trimming,
// no check for digits and no escaping; what reaches the service is what a browser sends for it.
struct Endpoints
{
    QString presenceHost;
    QString logoHost;
    QString homePageHost;
    QString imClientScheme;

    // The hosts this build was configured with.
    static Endpoints builtIn();

    QString presenceImageAddress(const QString &number) const;
    QString chatHandoffAddress(const QString &number) const;
    QString onlineImageAddress() const;
    QString homePageAddress() const;

    // Exact, whole-string and case-sensitive: only the online picture's own address means online.
    Presence classify(const QString &completedAddress) const;
};

} // namespace endpoints
