#include "corvane/panel/wrapping_check_box.h"

#include <QStyleOptionButton>
#include <QStylePainter>

#include <algorithm>

namespace corvane {

namespace {
constexpr int kFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
}  // namespace

WrappingCheckBox::WrappingCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum, QSizePolicy::CheckBox);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

QSize WrappingCheckBox::sizeAround(const QSize& textSize) const {
    QStyleOptionButton option;
    initStyleOption(&option);
    return style()->sizeFromContents(QStyle::CT_CheckBox, &option, textSize, this);
}

QSize WrappingCheckBox::textSize(int width) const {
    return fontMetrics()
        .boundingRect(QRect(0, 0, std::max(1, width), QWIDGETSIZE_MAX), kFlags, text())
        .size();
}

QSize WrappingCheckBox::minimumSizeHint() const {
    // At a width of one, every word stands on a line of its own.
    return sizeAround({textSize(1).width(), fontMetrics().height()});
}

int WrappingCheckBox::heightForWidth(int width) const {
    return textSize(textWidth(width)).height() + lineHeight() - fontMetrics().height();
}

int WrappingCheckBox::textWidth(int width) const {
    return width - sizeAround({0, 0}).width();
}

int WrappingCheckBox::lineHeight() const {
    return sizeAround({0, fontMetrics().height()}).height();
}

void WrappingCheckBox::paintEvent(QPaintEvent* /*event*/) {
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_CheckBoxContents, &option, this);
    // The style draws the box (and the focus frame around it) as beside one
    // line; the text follows in as many lines as it needs.
    option.text.clear();
    option.rect.setHeight(lineHeight());
    painter.drawControl(QStyle::CE_CheckBox, option);
    const int top = (lineHeight() - fontMetrics().height()) / 2;
    const QRect area(contents.left(), top, textWidth(width()), height() - top);
    style()->drawItemText(&painter, area, kFlags, palette(), isEnabled(), text(), QPalette::WindowText);
}

bool WrappingCheckBox::hitButton(const QPoint& pos) const {
    return rect().contains(pos);
}

}  // namespace corvane
