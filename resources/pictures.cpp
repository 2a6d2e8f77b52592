// SPDX-FileCopyrightText: 2026 Tolvane
// SPDX-License-Identifier: MIT

#include "resources/pictures.h"

#include <cmath>

namespace pictures {
namespace {

// "x@2x.gif" for "x.gif": the name under which Qt, and this program, find the twice-as-fine
// drawing.
QString doubleDensityPath(const QString &path)
{
    const qsizetype dot = path.lastIndexOf(u'.');
    return path.left(dot) + QStringLiteral("@2x") + path.mid(dot);
}

} // namespace

QPixmap forDevicePixelRatio(const QString &path, qreal devicePixelRatio)
{
    if (devicePixelRatio <= 1.0)
        return QPixmap(path);
    // Loaded under its @2x name, the drawing already carries a ratio of 2.
    const QPixmap fine(doubleDensityPath(path));
    if (qFuzzyCompare(devicePixelRatio, 2.0))
        return fine;
    const QSizeF points = fine.deviceIndependentSize();
    QPixmap exact = fine.scaled(int(std::lround(points.width() * devicePixelRatio)),
                                int(std::lround(points.height() * devicePixelRatio)),
                                Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    exact.setDevicePixelRatio(devicePixelRatio);
    return exact;
}

} // namespace pictures
