#include "corvane/panel/client_row.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>

#include "corvane/panel/panel_style.h"

namespace corvane {

/// A filled circle in the slot colour.
class ClientRow::Dot : public QWidget {
public:
    explicit Dot(QWidget* parent) : QWidget(parent) {
        setObjectName(QStringLiteral("dot"));
        setFixedSize(kDiameter, kDiameter);
    }

    void setColor(const QColor& color) {
        if (color == color_) return;
        color_ = color;
        update();
    }

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(color_);
        painter.drawEllipse(QRectF(0, 0, kDiameter, kDiameter));
    }

private:
    static constexpr int kDiameter = 10;
    QColor color_;
};

ClientRow::ClientRow(const WowClient& client, Actions actions, QWidget* parent)
    : QWidget(parent),
      client_(client),
      actions_(std::move(actions)),
      dot_(new Dot(this)),
      name_(new QLineEdit(this)),
      active_(new QLabel(QStringLiteral("Active"), this)),
      focus_(new QPushButton(QStringLiteral("Focus"), this)) {
    setObjectName(QStringLiteral("clientRow"));
    name_->setObjectName(QStringLiteral("name"));
    name_->setPlaceholderText(QStringLiteral("Name"));
    active_->setObjectName(QStringLiteral("active"));
    // Its room is kept while hidden, so every row's name field has one width.
    QSizePolicy keep = active_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    active_->setSizePolicy(keep);
    name_->installEventFilter(this);
    focus_->setObjectName(QStringLiteral("focus"));

    auto* line = new QHBoxLayout(this);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(panel_style::kClientRowSpacing);
    line->addWidget(dot_, 0, Qt::AlignVCenter);
    line->addWidget(name_, 1, Qt::AlignVCenter);
    line->addWidget(active_, 0, Qt::AlignVCenter);
    line->addWidget(focus_, 0, Qt::AlignVCenter);

    // textChanged, not textEdited: a screen reader sets the whole text. The
    // refresh blocks the signal, so only the user's edits are written back.
    connect(name_, &QLineEdit::textChanged, this,
            [this](const QString& text) { actions_.rename(client_, text); });
    connect(focus_, &QPushButton::clicked, this, [this] { actions_.focus(client_); });
}

void ClientRow::refresh(const WowClient& client, int slot, const QString& name, const QColor& color,
                        bool active) {
    client_ = client;
    // The visible "Name" and "Focus" say which row only by where they stand.
    // The button keeps its visible name, which is what a player asks for.
    // Set only when the slot changes: each change is announced to screen readers.
    const QString field = QStringLiteral("Name of window %1").arg(slot + 1);
    if (name_->accessibleName() != field) {
        name_->setAccessibleName(field);
        focus_->setAccessibleDescription(QStringLiteral("Brings window %1 to the front").arg(slot + 1));
    }
    dot_->setColor(color);
    active_->setVisible(active);
    if (name_->hasFocus() || name_->text() == name) return;
    const QSignalBlocker quiet(name_);
    name_->setText(name);
    name_->setCursorPosition(0);
}

bool ClientRow::eventFilter(QObject* watched, QEvent* event) {
    // A name longer than the field shows its start, not where the edit ended.
    // Not for a menu: the edit goes on after it.
    if (watched == name_ && event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
        name_->setCursorPosition(0);
    return QWidget::eventFilter(watched, event);
}

}  // namespace corvane
