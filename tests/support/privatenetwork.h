// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include <QString>

namespace testsupport {

// An address that Qt does not take for loopback, as a user's service address is not: a second
// address on the loopback interface of a network of the test's own.
inline constexpr char privateAddress[] = "10.47.0.1";
// A name for privateAddress, in the test's own view of /etc/hosts.
inline constexpr char privateHostName[] = "presence.tolvane.test";

// Moves this process into a network namespace of its own, where nothing but its loopback
// interface exists, up, with privateAddress on it beside 127.0.0.1; and into a mount namespace of
// its own, where /etc/hosts names privateAddress privateHostName. The system's /etc/hosts is never
// written, and nothing of either namespace is seen outside the process. Threads started before
// this call stay where they were, so it is made before any network use. Needs root (CI runs as
// root) and Linux; returns why not where it cannot be made, an empty string where it was.
QString enterPrivateNetwork();

} // namespace testsupport
