// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include <functional>

class QUrl;

namespace browser {

// Told of an address the desktop refused. It may run on a thread of its own, so it must touch no
// widget and no object of the caller's.
using Refusal = std::function<void(const QUrl &address)>;

// Hands an address to the desktop (the default browser, or the IM client for its links). Never
// blocks the caller and shows nothing: a desktop with no handler for the address, or one that
// cannot take it (a link too long to pass on), just refuses it, and only `refused` hears of it.
void openOnDesktop(const QUrl &address, const Refusal &refused = {});

} // namespace browser
