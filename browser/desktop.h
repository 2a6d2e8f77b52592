// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

class QUrl;

namespace browser {

// Hands an address to the desktop (the default browser, or the IM client for its links). Never
// blocks the caller and reports nothing: a desktop with no handler for the address just ignores it.
void openOnDesktop(const QUrl &address);

} // namespace browser
