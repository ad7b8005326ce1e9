#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace corvane {

/// Where a popup of `size` opens next to `anchor` (the tray icon's geometry, or
/// a point-sized rectangle at the pointer): centred on it, below it when it
/// lies in the upper half of `screen`, above it otherwise, and moved as little
/// as needed to lie within `available` (the screen less its panels).
QPoint popupPlacement(const QRect& anchor, const QSize& size, const QRect& screen, const QRect& available);

}  // namespace corvane
