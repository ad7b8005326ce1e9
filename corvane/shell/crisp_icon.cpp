#include "corvane/shell/crisp_icon.h"

#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <array>

namespace corvane {

namespace {

constexpr int kGrid = 16;
constexpr std::array kSizes{16, 20, 22, 24, 32, 36, 40, 48, 64};

}  // namespace

QIcon crispIcon(const QString& path) {
    const QIcon drawing(path);
    QIcon icon;
    for (const int size : kSizes) {
        const int art = std::max(1, size / kGrid) * kGrid;
        QPixmap canvas(size, size);
        canvas.fill(Qt::transparent);
        QPainter painter(&canvas);
        const int offset = (size - art) / 2;
        drawing.paint(&painter, QRect(offset, offset, art, art));
        painter.end();
        icon.addPixmap(canvas);
    }
    return icon;
}

}  // namespace corvane
