#include "corvane/panel/panel_section.h"

#include <QLabel>
#include <QVBoxLayout>

#include "corvane/panel/panel_style.h"

namespace corvane {

PanelSection::PanelSection(const QString& title, QWidget* parent)
    : QWidget(parent), column_(new QVBoxLayout(this)), title_(new QLabel(title.toUpper(), this)) {
    column_->setContentsMargins(0, 0, 0, 0);
    column_->setSpacing(panel_style::kSectionSpacing);
    title_->setObjectName(QStringLiteral("sectionTitle"));
    // Shown in capitals, read as written: a screen reader would spell the capitals out or shout.
    title_->setAccessibleName(title);
    column_->addWidget(title_);
}

void PanelSection::addRow(QWidget* row, bool fill) {
    row->setParent(this);
    if (fill) {
        column_->addWidget(row);
    } else {
        column_->addWidget(row, 0, Qt::AlignLeft);
    }
}

}  // namespace corvane
