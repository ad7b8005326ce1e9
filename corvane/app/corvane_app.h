#pragma once

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

#include <memory>

#include "corvane/command_line/command_line.h"
#include "corvane/shell/signal_watch.h"

namespace corvane {

class Controller;
class ControlPanel;
class PortalShortcuts;
class StatusReporter;
class TrayPopup;
class X11LoopDriver;
namespace platform {
class JsonDefaultsStore;
}
namespace x11 {
class X11Backend;
}

/// The running program: the one controller on the X11 backend, the tray icon
/// (a click opens the panel, its menu offers "Show panel" and "Quit Corvane")
/// and the control panel, all on Qt's loop. Where no tray exists the panel is
/// an ordinary window instead. Closing the panel never quits; only "Quit
/// Corvane", a signal or the loss of the X server end the loop.
class CorvaneApp : public QObject {
    Q_OBJECT

public:
    /// Builds the controller and shows the icon (or the panel). Call with a
    /// running QApplication on the backend's display.
    CorvaneApp(std::unique_ptr<x11::X11Backend> backend, const app::RunOptions& options);
    /// The panel first, then the controller, the settings and the backend.
    ~CorvaneApp() override;
    CorvaneApp(const CorvaneApp&) = delete;
    CorvaneApp& operator=(const CorvaneApp&) = delete;
    CorvaneApp(CorvaneApp&&) = delete;
    CorvaneApp& operator=(CorvaneApp&&) = delete;

    /// Shows the panel where the user can see it: at the tray icon when there
    /// is a tray, else as a window.
    void showPanel();
    /// Says once that the X server is gone, whichever connection noticed it
    /// first: ours, or Qt's own (which then ends the process itself).
    static void reportLostConnection();
    /// Writes the settings now, for a path that ends the process without
    /// unwinding (Qt's xcb plugin exits when its own connection breaks).
    void saveSettings();
    /// The process's exit status once Qt's loop has returned.
    [[nodiscard]] int exitStatus() const { return exitStatus_; }

private:
    void showTrayIcon();
    void panelVisibilityChanged(bool visible);
    void endWithLostConnection();

    // Destroyed in reverse order: the panel before the controller, the
    // controller before the settings, the settings before the backend.
    std::unique_ptr<x11::X11Backend> backend_;
    std::unique_ptr<platform::JsonDefaultsStore> store_;
    std::shared_ptr<Controller> controller_;
    std::unique_ptr<StatusReporter> reporter_;
    std::unique_ptr<X11LoopDriver> driver_;
    std::unique_ptr<ControlPanel> panel_;
    std::unique_ptr<TrayPopup> popup_;
    std::unique_ptr<PortalShortcuts> portal_;
    QMenu trayMenu_;
    std::unique_ptr<QSystemTrayIcon> tray_;
    SignalWatch signals_;
    int exitStatus_ = 0;
};

}  // namespace corvane
