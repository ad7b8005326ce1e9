#pragma once

#include <QCheckBox>

namespace corvane {

/// A check box whose text breaks into lines within its width instead of
/// being cut, the box beside the first line. The whole of it takes a click.
class WrappingCheckBox : public QCheckBox {
    Q_OBJECT

public:
    WrappingCheckBox(const QString& text, QWidget* parent);

    /// As wide as the box and the longest word.
    [[nodiscard]] QSize minimumSizeHint() const override;
    [[nodiscard]] bool hasHeightForWidth() const override { return true; }
    [[nodiscard]] int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    [[nodiscard]] bool hitButton(const QPoint& pos) const override;

private:
    /// The whole size around a text of `textSize`: the box, the gap, the margins.
    [[nodiscard]] QSize sizeAround(const QSize& textSize) const;
    /// The text's size broken into lines no wider than `width`.
    [[nodiscard]] QSize textSize(int width) const;
    /// The room for the text in a check box `width` wide.
    [[nodiscard]] int textWidth(int width) const;
    /// The height of a check box with one line of text.
    [[nodiscard]] int lineHeight() const;
};

}  // namespace corvane
