// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#pragma once

#include <QPixmap>
#include <QString>

namespace pictures {

// A picture of the windows for a screen with `devicePixelRatio` device pixels per point. At a
// ratio of 1 or less it is the picture's own file; above that it is the file's @2x drawing,
// resampled to the exact ratio when that is not 2, so that it is drawn pixel for pixel and never
// enlarged from fewer pixels than the screen shows.
QPixmap forDevicePixelRatio(const QString &path, qreal devicePixelRatio);

} // namespace pictures
