#pragma once

#include <QWidget>

#include <functional>
#include <memory>

#include "platform/platform_texts.h"

namespace corvane {

class Controller;

/// The program's window of controls: shows the controller's state and writes
/// every change through it. Holds no state of its own; rebuilt (at most once
/// per event-loop turn) whenever the controller announces a change.
class ControlPanel : public QWidget {
    Q_OBJECT

public:
    ControlPanel(std::shared_ptr<Controller> controller, platform::PlatformTexts texts,
                 std::function<void()> quit, QWidget* parent = nullptr);
    ~ControlPanel() override;
    ControlPanel(const ControlPanel&) = delete;
    ControlPanel& operator=(const ControlPanel&) = delete;
    ControlPanel(ControlPanel&&) = delete;
    ControlPanel& operator=(ControlPanel&&) = delete;

private:
    std::shared_ptr<Controller> controller_;
    platform::PlatformTexts texts_;
    std::function<void()> quit_;
};

}  // namespace corvane
