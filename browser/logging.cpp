// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "browser/logging.h"

namespace browser {

// Warnings by default; the helper's chatter only when asked for.
Q_LOGGING_CATEGORY(lcHandoff, "tolvane.handoff", QtWarningMsg)

} // namespace browser
