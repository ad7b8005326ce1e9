#pragma once

#include <QIcon>
#include <QString>

namespace corvane {

/// The icon drawn by the SVG at `path` (on a 16-pixel grid), for every size a
/// tray asks for: drawn at the largest whole multiple of 16 that fits and
/// centred, so its edges fall on whole pixels where a smooth scale (22 or 24
/// pixels) would blur them.
QIcon crispIcon(const QString& path);

}  // namespace corvane
