// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include <QLoggingCategory>

namespace browser {

// What becomes of a chat hand-off beyond what the user sees: a link the desktop refused, and with
// debug output enabled (QT_LOGGING_RULES="tolvane.handoff.debug=true"), what the helper and its
// engine write to their standard error.
Q_DECLARE_LOGGING_CATEGORY(lcHandoff)

} // namespace browser
