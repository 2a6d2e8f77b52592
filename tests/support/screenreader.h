// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include <QStringList>

namespace testsupport {

// What a screen reader says unasked, wherever the focus is: the text of each notification that
// appears and of each announcement, as Qt tells the desktop's accessibility bridge. Heard through a
// bridge of the tests' own, which Qt tells everything, with or without a screen reader running.
//
// The texts said since the last call, oldest first.
QStringList notificationsHeard();

} // namespace testsupport
