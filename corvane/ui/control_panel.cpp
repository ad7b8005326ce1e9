// Placeholder until the panel's rows exist: a title and the quit button.
#include "corvane/ui/control_panel.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "corvane/controller/controller.h"

namespace corvane {

ControlPanel::ControlPanel(std::shared_ptr<Controller> controller, platform::PlatformTexts texts,
                           std::function<void()> quit, QWidget* parent)
    : QWidget(parent), controller_(std::move(controller)), texts_(std::move(texts)), quit_(std::move(quit)) {
    auto* column = new QVBoxLayout(this);
    column->addWidget(new QLabel(QStringLiteral("Corvane"), this));
    auto* quitButton = new QPushButton(QStringLiteral("Quit Corvane"), this);
    connect(quitButton, &QPushButton::clicked, this, [this] { quit_(); });
    column->addWidget(quitButton);
    setFixedWidth(340);
}

ControlPanel::~ControlPanel() = default;

}  // namespace corvane
