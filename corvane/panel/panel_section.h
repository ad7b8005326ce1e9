#pragma once

#include <QWidget>

class QLabel;
class QLayout;
class QVBoxLayout;

namespace corvane {

/// One titled group of the panel: the title in upper case above the rows,
/// rows 8 apart. Hidden rows take no room.
class PanelSection : public QWidget {
    Q_OBJECT

public:
    PanelSection(const QString& title, QWidget* parent);

    /// Adds a row; a row added with `fill` takes the whole width, otherwise
    /// it keeps its natural width at the leading edge.
    void addRow(QWidget* row, bool fill = false);
    [[nodiscard]] QLabel* titleLabel() const { return title_; }

private:
    QVBoxLayout* column_;
    QLabel* title_;
};

}  // namespace corvane
