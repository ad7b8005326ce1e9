#include "corvane/panel/rounded_box.h"

#include <QPainter>

namespace corvane {

RoundedBox::RoundedBox(const QColor& fill, double radius, QWidget* parent)
    : QWidget(parent), fill_(fill), radius_(radius) {}

void RoundedBox::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill_);
    painter.drawRoundedRect(QRectF(rect()), radius_, radius_);
}

}  // namespace corvane
